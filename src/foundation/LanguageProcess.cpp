#include "foundation/LanguageProcess.h"

#include "platform/CodePage.h"
#include "platform/Exception.h"

#include <iterator>

// The tables below are built by constructors that run before any ordinary
// global object's, so that other modules' start-up code may already read
// them; afterwards nothing writes them.
#define QC_EARLY_INIT __attribute__((init_priority(1000)))

namespace {

// Id; Name; code page; dictionary.
const char16_t *const kLanguageRows[] = {
    u"0x0436;Afrikaans;1252;en_US",
    u"0x041C;Albanian;1250;en_US",
    u"0x0001;Arabic;1256;en_US",
    u"0x0401;Arabic (Saudi Arabia);1256;en_US",
    u"0x0801;Arabic (Iraq);1256;en_US",
    u"0x0C01;Arabic (Egypt);1256;en_US",
    u"0x1001;Arabic (Libya);1256;en_US",
    u"0x1401;Arabic (Algeria);1256;en_US",
    u"0x1801;Arabic (Morocco);1256;en_US",
    u"0x1C01;Arabic (Tunisia);1256;en_US",
    u"0x2001;Arabic (Oman);1256;en_US",
    u"0x2401;Arabic (Yemen);1256;en_US",
    u"0x2801;Arabic (Syria);1256;en_US",
    u"0x2C01;Arabic (Jordan);1256;en_US",
    u"0x3001;Arabic (Lebanon);1256;en_US",
    u"0x3401;Arabic (Kuwait);1256;en_US",
    u"0x3801;Arabic (U.A.E.);1256;en_US",
    u"0x3C01;Arabic (Bahrain);1256;en_US",
    u"0x4001;Arabic (Qatar);1256;en_US",
    u"0x042D;Basque;1252;en_US",
    u"0x0402;Bulgarian;1251;en_US",
    u"0x0423;Belarusian;1251;en_US",
    u"0x0403;Catalan;1252;en_US",
    u"0x0004;Chinese;936;en_US",
    u"0x0404;Chinese (Taiwan);950;en_US",
    u"0x0804;Chinese (China);936;en_US",
    u"0x0C04;Chinese (Hong Kong SAR);950;en_US",
    u"0x1004;Chinese (Singapore);936;en_US",
    u"0x041A;Croatian;1250;en_US",
    u"0x0405;Czech;1250;en_US",
    u"0x0406;Danish;1252;en_US",
    u"0x0413;Dutch (Netherlands);1252;en_US",
    u"0x0813;Dutch (Belgium);1252;en_US",
    u"0x0009;English;1252;en_US",
    u"0x0409;English (United States);1252;en_US",
    u"0x0809;English (United Kingdom);1252;en_GB",
    u"0x0C09;English (Australia);1252;en_US",
    u"0x1009;English (Canada);1252;en_US",
    u"0x1409;English (New Zealand);1252;en_US",
    u"0x1809;English (Ireland);1252;en_US",
    u"0x1C09;English (South Africa);1252;en_US",
    u"0x2009;English (Jamaica);1252;en_US",
    u"0x2809;English (Belize);1252;en_US",
    u"0x2C09;English (Trinidad);1252;en_US",
    u"0x0425;Estonian;1257;en_US",
    u"0x0438;Faeroese;1252;en_US",
    u"0x0429;Farsi;1256;en_US",
    u"0x040B;Finnish;1252;en_US",
    u"0x040C;French (France);1252;fr_FR",
    u"0x080C;French (Belgium);1252;fr_FR",
    u"0x0C0C;French (Canada);1252;fr_FR",
    u"0x100C;French (Switzerland);1252;fr_FR",
    u"0x140C;French (Luxembourg);1252;fr_FR",
    u"0x043C;Gaelic;1252;en_US",
    u"0x0407;German (Germany);1252;de_DE",
    u"0x0807;German (Switzerland);1252;de_DE",
    u"0x0C07;German (Austria);1252;de_DE",
    u"0x1007;German (Luxembourg);1252;de_DE",
    u"0x1407;German (Liechtenstein);1252;de_DE",
    u"0x0408;Greek;1253;en_US",
    u"0x040D;Hebrew;1255;en_US",
    u"0x040E;Hungarian;1250;en_US",
    u"0x040F;Icelandic;1252;en_US",
    u"0x0421;Indonesian;1252;en_US",
    u"0x0410;Italian (Italy);1252;it_IT",
    u"0x0810;Italian (Switzerland);1252;it_IT",
    u"0x0411;Japanese;932;en_US",
    u"0x0412;Korean;949;en_US",
    u"0x0426;Latvian;1257;en_US",
    u"0x0427;Lithuanian;1257;en_US",
    u"0x042F;FYRO Macedonian;1251;en_US",
    u"0x043E;Malay (Malaysia);1252;en_US",
    u"0x043A;Maltese;1254;en_US",
    u"0x0450;Mongolian (Cyrillic);1251;en_US",
    u"0x0414;Norwegian (Bokmal);1252;en_US",
    u"0x0814;Norwegian (Nynorsk);1252;en_US",
    u"0x0415;Polish;1250;en_US",
    u"0x0416;Portuguese (Brazil);1252;pt_PT",
    u"0x0816;Portuguese (Portugal);1252;pt_PT",
    u"0x0417;Rhaeto-Romanic;1252;en_US",
    u"0x0418;Romanian;1250;en_US",
    u"0x0818;Romanian (Moldova);1250;en_US",
    u"0x0419;Russian;1251;ru_RU",
    u"0x0819;Russian (Moldova);1251;ru_RU",
    u"0x0C1A;Serbian (Cyrillic);1251;en_US",
    u"0x081A;Serbian (Latin);1252;en_US",
    u"0x041B;Slovak;1250;en_US",
    u"0x0424;Slovenian;1250;en_US",
    u"0x042E;Sorbian;1252;en_US",
    u"0x040A;Spanish (Traditional Sort);1252;es_ES",
    u"0x080A;Spanish (Mexico);1252;es_ES",
    u"0x0C0A;Spanish (International Sort);1252;es_ES",
    u"0x100A;Spanish (Guatemala);1252;es_ES",
    u"0x140A;Spanish (Costa Rica);1252;es_ES",
    u"0x180A;Spanish (Panama);1252;es_ES",
    u"0x1C0A;Spanish (Dominican Republic);1252;es_ES",
    u"0x200A;Spanish (Venezuela);1252;es_ES",
    u"0x240A;Spanish (Colombia);1252;es_ES",
    u"0x280A;Spanish (Peru);1252;es_ES",
    u"0x2C0A;Spanish (Argentina);1252;es_ES",
    u"0x300A;Spanish (Ecuador);1252;es_ES",
    u"0x340A;Spanish (Chile);1252;es_ES",
    u"0x380A;Spanish (Uruguay);1252;es_ES",
    u"0x3C0A;Spanish (Paraguay);1252;es_ES",
    u"0x400A;Spanish (Bolivia);1252;es_ES",
    u"0x440A;Spanish (El Salvador);1252;es_ES",
    u"0x480A;Spanish (Honduras);1252;es_ES",
    u"0x4C0A;Spanish (Nicaragua);1252;es_ES",
    u"0x500A;Spanish (Puerto Rico);1252;es_ES",
    u"0x0430;Sutu;1252;en_US",
    u"0x041D;Swedish;1252;en_US",
    u"0x081D;Swedish (Finland);1252;en_US",
    u"0x041E;Thai;874;en_US",
    u"0x0431;Tsonga;1252;en_US",
    u"0x0432;Tswana;1252;en_US",
    u"0x041F;Turkish;1254;en_US",
    u"0x0422;Ukrainian;1251;en_US",
    u"0x0420;Urdu;1256;en_US",
    u"0x042A;Vietnamese;1258;en_US",
    u"0x0434;Xhosa;1252;en_US",
    u"0x043D;Yiddish;1252;en_US",
    u"0x0435;Zulu;1252;en_US",
};

// Charset name | code page.
const char16_t *const kCharsetRows[] = {
    u"ASMO-708|708", u"DOS-720|720", u"cp852|852", u"ibm852|852", u"DOS-862|862",
    u"cp866|866", u"ibm866|866", u"DOS-874|874", u"iso-8859-11|874", u"windows-874|874",
    u"csShiftJIS|932", u"csWindows31J|932", u"ms_Kanji|932", u"shift-jis|932",
    u"shift_jis|932", u"x-ms-cp932|932", u"x-sjis|932", u"chinese|936", u"CN-GB|936",
    u"csGB2312|936", u"csISO58GB231280|936", u"GB2312|936", u"GBK|936", u"GB_2312-80|936",
    u"iso-ir-58|936", u"csEUCKR|949", u"csKSC56011987|949", u"euc-kr|949",
    u"iso-ir-149|949", u"korean|949", u"KSC5601|949", u"KSC_5601|949", u"ks_c_5601|949",
    u"ks_c_5601-1987|949", u"ks_c_5601-1989|949", u"Big5|950", u"csbig5|950",
    u"x-x-big5|950", u"windows-1250|1250", u"x-cp1250|1250", u"windows-1251|1251",
    u"x-cp1251|1251", u"windows-1253|1253", u"logical|1255", u"windows-1255|1255",
    u"cp1256|1256", u"windows-1256|1256", u"windows-1257|1257", u"windows-1258|1258",
    u"ANSI_X3.4-1968|1252", u"ANSI_X3.4-1986|1252", u"ascii|1252", u"cp367|1252",
    u"cp819|1252", u"csASCII|1252", u"csISOLatin1|1252", u"IBM367|1252", u"ibm819|1252",
    u"iso-ir-6|1252", u"ISO646-US|1252", u"ISO_646.irv:1991|1252", u"l1|1252",
    u"latin1|1252", u"us|1252", u"us-ascii|1252", u"windows-1252|1252", u"x-ansi|1252",
    u"csISOLatin5|1254", u"iso-8859-9|1254", u"iso-ir-148|1254", u"ISO_8859-9|1254",
    u"ISO_8859-9:1989|1254", u"l5|1254", u"latin5|1254", u"Windows-1254|1254",
    u"csKOI8R|20866", u"koi|20866", u"koi8-r|20866", u"euc-jp|20932", u"koi8-ru|21866",
    u"iso-8859-1|28591", u"iso-ir-100|28591", u"iso8859-1|28591", u"iso_8859-1|28591",
    u"iso_8859-1:1987|28591", u"csISOLatin2|28592", u"iso-8859-2|28592",
    u"iso-ir-101|28592", u"iso8859-2|28592", u"iso_8859-2|28592",
    u"iso_8859-2:1987|28592", u"l2|28592", u"latin2|28592", u"iso-8859-3|28593",
    u"csISOLatin4|28594", u"iso-8859-4|28594", u"iso-ir-110|28594", u"iso-ir-111|28594",
    u"ISO_8859-4|28594", u"ISO_8859-4:1988|28594", u"l4|28594", u"latin4|28594",
    u"csISOLatinCyrillic|28595", u"cyrillic|28595", u"iso-8859-5|28595",
    u"iso-ir-144|28595", u"ISO_8859-5|28595", u"ISO_8859-5:1988|28595", u"arabic|28596",
    u"csISOLatinArabic|28596", u"ECMA-114|28596", u"iso-8859-6|28596",
    u"iso-ir-127|28596", u"ISO_8859-6|28596", u"ISO_8859-6:1987|28596",
    u"csISOLatinGreek|28597", u"ECMA-118|28597", u"ELOT_928|28597", u"greek|28597",
    u"greek8|28597", u"iso-8859-7|28597", u"iso-ir-126|28597", u"ISO_8859-7|28597",
    u"ISO_8859-7:1987|28597", u"csISOLatinHebrew|28598", u"hebrew|28598",
    u"iso-8859-8|28598", u"ISO-8859-8 Visual|28598", u"iso-ir-138|28598",
    u"ISO_8859-8|28598", u"ISO_8859-8:1988|28598", u"visual|28598", u"iso-8859-8-i|38598",
    u"x-user-defined|50000", u"_autodetect_all|50001", u"iso-2022-jp|50220",
    u"csISO2022JP|50221", u"_iso-2022-jp$ESC|50221", u"_iso-2022-jp$SIO|50222",
    u"csISO2022KR|50225", u"iso-2022-kr|50225", u"_autodetect|50932",
    u"_autodetect_kr|50949", u"csEUCPkdFmtJapanese|51932",
    u"Extended_UNIX_Code_Packed_Format_for_Japanese|51932", u"x-euc|51932",
    u"x-euc-jp|51932", u"hz-gb-2312|52936", u"csUnicode11UTF7|65000", u"utf-8|65001",

};

// Character : replacement.
const char16_t *const kAsciiRows[] = {
    u"0:0", u"1:1", u"2:2", u"3:3", u"4:4", u"5:5", u"6:6", u"7:7", u"8:8", u"9:9",
    u"a:a", u"b:b", u"c:c", u"d:d", u"e:e", u"f:f", u"g:g", u"h:h", u"i:i", u"j:j",
    u"k:k", u"l:l", u"m:m", u"n:n", u"o:o", u"p:p", u"q:q", u"r:r", u"s:s", u"t:t",
    u"u:u", u"v:v", u"w:w", u"x:x", u"y:y", u"z:z", u"A:A", u"B:B", u"C:C", u"D:D",
    u"E:E", u"F:F", u"G:G", u"H:H", u"I:I", u"J:J", u"K:K", u"L:L", u"M:M", u"N:N",
    u"O:O", u"P:P", u"Q:Q", u"R:R", u"S:S", u"T:T", u"U:U", u"V:V", u"W:W", u"X:X",
    u"Y:Y", u"Z:Z", u" : ", u"_: ", u"-: ", u"×:X", u"À:A", u"Á:A", u"Â:A", u"Ã:A",
    u"Ä:A", u"Å:A", u"Æ:AE", u"Ç:C", u"È:E", u"É:E", u"Ê:E", u"Ë:E", u"Ì:I", u"Í:I",
    u"Î:I", u"Ï:I", u"Ð:D", u"Ñ:N", u"Ò:O", u"Ó:O", u"Ô:O", u"Õ:O", u"Ö:O", u"Ø:O",
    u"Ù:U", u"Ú:U", u"Û:U", u"Ü:U", u"Ý:Y", u"Þ:Th", u"ß:S", u"à:a", u"á:a", u"â:a",
    u"ã:a", u"ä:a", u"å:a", u"æ:ae", u"ç:c", u"è:e", u"é:e", u"ê:e", u"ë:e", u"ì:i",
    u"í:i", u"î:i", u"ï:i", u"ð:th", u"ñ:n", u"ò:o", u"ó:o", u"ô:o", u"õ:o", u"ö:o",
    u"ø:o", u"ù:u", u"ú:u", u"û:u", u"ü:u", u"ý:y", u"ÿ:y", u"þ:th", u"Ā:A", u"ā:a",
    u"Ă:A", u"ă:a", u"Ą:A", u"ą:a", u"Ć:C", u"ć:c", u"Ĉ:C", u"ĉ:c", u"Ċ:C", u"ċ:c",
    u"Č:C", u"č:c", u"Ď:D", u"ď:d", u"Đ:D", u"đ:d", u"Ē:E", u"ē:e", u"Ĕ:E", u"ĕ:e",
    u"Ė:E", u"ė:e", u"Ę:E", u"ę:e", u"Ě:E", u"ě:e", u"Ĝ:G", u"ĝ:g", u"ğ:g", u"Ġ:G",
    u"ġ:g", u"Ģ:G", u"ģ:g", u"Ĥ:H", u"ĥ:h", u"Ħ:H", u"ħ:h", u"Ĩ:I", u"ĩ:i", u"Ī:I",
    u"ī:i", u"Ĭ:I", u"ĭ:i", u"Į:I", u"į:i", u"İ:I", u"ı:i", u"Ĳ:IJ", u"ĳ:ij", u"Ĵ:J",
    u"ĵ:j", u"Ķ:K", u"ķ:k", u"ĸ:K", u"Ĺ:L", u"ĺ:l", u"Ļ:L", u"ļ:l", u"Ľ:L", u"ľ:l",
    u"Ŀ:L", u"ŀ:l", u"Ł:L", u"ł:l", u"Ń:N", u"ń:n", u"Ņ:N", u"ņ:n", u"Ň:N", u"ň:n",
    u"ŉ:n", u"Ŋ:Eng", u"ŋ:eng", u"Ō:O", u"ō:o", u"Ŏ:O", u"ŏ:o", u"Ő:O", u"ő:o", u"Œ:Oe",
    u"œ:oe", u"Ŕ:R", u"ŕ:r", u"Ŗ:R", u"ŗ:r", u"Ř:R", u"ř:r", u"Ś:S", u"ś:s", u"Ŝ:S",
    u"ŝ:s", u"Ş:S", u"ş:s", u"Š:S", u"š:s", u"Ţ:T", u"ţ:t", u"Ť:T", u"ť:t", u"Ŧ:T",
    u"ŧ:t", u"Ũ:U", u"ũ:u", u"Ū:U", u"Ŭ:U", u"ŭ:U", u"Ů:U", u"ů:U", u"Ű:U", u"ű:u",
    u"Ų:U", u"ų:u", u"Ŵ:W", u"ŵ:w", u"Ŷ:Y", u"ŷ:y", u"Ÿ:Y", u"Ź:Z", u"ź:z", u"Ż:Z",
    u"ż:z", u"Ž:Z", u"ž:z", u"ſ:s", u"Ə:S", u"ə:S", u"ƒ:ƒ", u"Ơ:O", u"ơ:o", u"Ư:U",
    u"ư:u", u"Ǎ:A", u"ǎ:a", u"Ǐ:I", u"ǐ:i", u"Ǒ:O", u"ǒ:o", u"Ǔ:U", u"Ǖ:U", u"Ǘ:U",
    u"Ǚ:U", u"Ǜ:U", u"ǔ:u", u"ǖ:u", u"ǘ:u", u"ǚ:u", u"ǜ:u", u"Ǻ:A", u"ǻ:a", u"Ǽ:Ae",
    u"ǽ:ae", u"Ǿ:O", u"ǿ:o", u"Ά:A", u"Έ:E", u"Ή:I", u"Ί:I", u"Ό:O", u"Ύ:U", u"Ώ:O",
    u"ΐ:l", u"Α:A", u"Β:V", u"Γ:G", u"Δ:D", u"Ε:E", u"Ζ:Z", u"Η:I", u"Θ:Th", u"Ι:I",
    u"Κ:K", u"Λ:L", u"Μ:M", u"Ν:N", u"Ξ:Xi", u"Ο:O", u"Π:P", u"Ρ:R", u"Σ:S", u"Τ:Τ",
    u"Υ:U", u"Φ:F", u"Χ:H", u"Ψ:Ps", u"Ω:O", u"Ϊ:I", u"Ϋ:U", u"ά:a", u"έ:e", u"ή:i",
    u"ί:ί", u"ΰ:u", u"α:a", u"β:v", u"γ:g", u"δ:d", u"ε:e", u"ζ:z", u"η:i", u"θ:th",
    u"ι:i", u"κ:k", u"λ:l", u"μ:m", u"ν:n", u"ξ:x", u"ο:o", u"π:p", u"ρ:r", u"ς:s",
    u"σ:s", u"τ:t", u"υ:u", u"φ:f", u"χ:h", u"ψ:ps", u"ω:o", u"ϊ:i", u"ϋ:u", u"ό:o",
    u"ύ:u", u"ώ:o", u"Ё:io", u"Ђ:D", u"Ѓ:G", u"Є:I", u"Ѕ:D", u"І:I", u"Ї:Yi", u"Ј:J",
    u"Љ:Lj", u"Њ:Nj", u"Ћ:T", u"Ќ:K", u"Ў:U", u"Џ:D", u"А:A", u"Б:B", u"В:V", u"Г:G",
    u"Д:D", u"Е:E", u"Ж:Zh", u"З:Z", u"И:I", u"Й:J", u"К:K", u"Л:L", u"М:M", u"Н:N",
    u"О:O", u"П:P", u"Р:R", u"С:S", u"Т:T", u"У:U", u"Ф:F", u"Х:H", u"Ц:T", u"Ч:C",
    u"Ш:Sh", u"Щ:Sch", u"Ы:Y", u"Э:E", u"Ю:Yu", u"Я:ya", u"а:a", u"б:b", u"в:v", u"г:g",
    u"д:d", u"е:e", u"ж:zh", u"з:z", u"и:i", u"й:j", u"к:k", u"л:l", u"м:m", u"н:n",
    u"о:o", u"п:p", u"р:r", u"с:s", u"т:t", u"у:u", u"ф:f", u"х:h", u"ц:t", u"ч:ch",
    u"ш:sh", u"щ:sch", u"ы:y", u"э:e", u"ю:yu", u"я:ya", u"ё:e", u"ђ:d", u"ѓ:g", u"є:i",
    u"ѕ:d", u"і:i", u"ї:y", u"ј:j", u"љ:lj", u"њ:nj", u"ћ:t", u"ќ:k", u"ў:u", u"џ:d",
    u"Ґ:g", u"ґ:g", u"Ғ:g", u"ғ:g", u"Җ:Zh", u"җ:zh", u"Қ:K", u"қ:k", u"Ҝ:K", u"ҝ:k",
    u"Ң:N", u"ң:n", u"Ү:U", u"ү:u", u"Ұ:U", u"ұ:u", u"Ҳ:H", u"ҳ:h", u"Ҹ:Ch", u"ҹ:ch",
    u"Һ:Sh", u"һ:sh", u"Ә:S", u"ә:s", u"Ө:O", u"ө:o", u"Ẁ:Ẁ", u"ẁ:ẁ", u"Ẃ:Ẃ", u"ẃ:ẃ",
    u"Ẅ:Ẅ", u"ẅ:ẅ", u"Ạ:A", u"Ả:A", u"Ấ:A", u"Ầ:A", u"Ẩ:A", u"Ẫ:A", u"Ậ:A", u"Ắ:A",
    u"Ằ:A", u"Ẳ:A", u"Ẵ:A", u"Ặ:A", u"ạ:a", u"ả:a", u"ấ:a", u"ầ:a", u"ẩ:a", u"ẫ:a",
    u"ậ:a", u"ắ:a", u"ằ:a", u"ẳ:a", u"ẵ:a", u"ặ:a", u"Ẹ:E", u"ẹ:e", u"Ẻ:E", u"ẻ:e",
    u"Ẽ:E", u"ẽ:e", u"Ế:E", u"ế:e", u"Ề:E", u"ề:e", u"Ể:E", u"ể:e", u"Ễ:E", u"ễ:e",
    u"Ệ:E", u"ệ:e", u"Ỉ:I", u"ỉ:i", u"Ị:I", u"ị:i", u"Ọ:O", u"ọ:o", u"Ỏ:O", u"ỏ:o",
    u"Ố:O", u"ố:o", u"Ồ:O", u"ồ:o", u"Ổ:O", u"ổ:o", u"Ỗ:O", u"ỗ:o", u"Ớ:O", u"ớ:o",
    u"Ờ:O", u"ờ:o", u"Ở:O", u"ở:o", u"Ỡ:O", u"ỡ:o", u"Ợ:O", u"ợ:o", u"Ụ:O", u"ụ:o",
    u"Ủ:O", u"ủ:o", u"Ứ:O", u"ứ:o", u"Ừ:U", u"ừ:u", u"Ử:U", u"ử:u", u"Ữ:U", u"ữ:u",
    u"Ự:U", u"ự:u", u"Ỳ:Y", u"ỳ:y", u"Ỵ:Y", u"ỵ:y", u"Ỷ:Y", u"ỷ:y", u"Ỹ:Y", u"ỹ:y",

};

// POSIX locale codes of the help languages, in order of preference: a
// locale whose territory is in no row takes the first row of its language.
struct LocaleRow {
    const char *locale;
    int langId;
};

const LocaleRow kLocaleRows[] = {
    {"af_ZA", 0x0436}, {"sq_AL", 0x041C}, {"ar_SA", 0x0401}, {"ar_IQ", 0x0801},
    {"ar_EG", 0x0C01}, {"ar_LY", 0x1001}, {"ar_DZ", 0x1401}, {"ar_MA", 0x1801},
    {"ar_TN", 0x1C01}, {"ar_OM", 0x2001}, {"ar_YE", 0x2401}, {"ar_SY", 0x2801},
    {"ar_JO", 0x2C01}, {"ar_LB", 0x3001}, {"ar_KW", 0x3401}, {"ar_AE", 0x3801},
    {"ar_BH", 0x3C01}, {"ar_QA", 0x4001}, {"eu_ES", 0x042D}, {"bg_BG", 0x0402},
    {"be_BY", 0x0423}, {"ca_ES", 0x0403}, {"zh_CN", 0x0804}, {"zh_TW", 0x0404},
    {"zh_HK", 0x0C04}, {"zh_SG", 0x1004}, {"zh_MO", 0x0C04}, {"hr_HR", 0x041A},
    {"cs_CZ", 0x0405}, {"da_DK", 0x0406}, {"nl_NL", 0x0413}, {"nl_BE", 0x0813},
    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009},
    {"en_NZ", 0x1409}, {"en_IE", 0x1809}, {"en_ZA", 0x1C09}, {"en_JM", 0x2009},
    {"en_BZ", 0x2809}, {"en_TT", 0x2C09}, {"et_EE", 0x0425}, {"fo_FO", 0x0438},
    {"fa_IR", 0x0429}, {"fi_FI", 0x040B}, {"fr_FR", 0x040C}, {"fr_BE", 0x080C},
    {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"fr_LU", 0x140C}, {"gd_GB", 0x043C},
    {"de_DE", 0x0407}, {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"de_LU", 0x1007},
    {"de_LI", 0x1407}, {"el_GR", 0x0408}, {"he_IL", 0x040D}, {"iw_IL", 0x040D},
    {"hu_HU", 0x040E}, {"is_IS", 0x040F}, {"id_ID", 0x0421}, {"it_IT", 0x0410},
    {"it_CH", 0x0810}, {"ja_JP", 0x0411}, {"ko_KR", 0x0412}, {"lv_LV", 0x0426},
    {"lt_LT", 0x0427}, {"mk_MK", 0x042F}, {"ms_MY", 0x043E}, {"mt_MT", 0x043A},
    {"mn_MN", 0x0450}, {"nb_NO", 0x0414}, {"no_NO", 0x0414}, {"nn_NO", 0x0814},
    {"pl_PL", 0x0415}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"rm_CH", 0x0417},
    {"ro_RO", 0x0418}, {"ro_MD", 0x0818}, {"ru_RU", 0x0419}, {"ru_MD", 0x0819},
    {"sr_RS", 0x0C1A}, {"sr_RS@latin", 0x081A}, {"sr_ME", 0x081A},
    {"sr_CS", 0x0C1A}, {"sr_CS@latin", 0x081A}, {"sk_SK", 0x041B},
    {"sl_SI", 0x0424}, {"hsb_DE", 0x042E}, {"dsb_DE", 0x042E}, {"es_ES", 0x0C0A},
    {"es_MX", 0x080A}, {"es_GT", 0x100A}, {"es_CR", 0x140A}, {"es_PA", 0x180A},
    {"es_DO", 0x1C0A}, {"es_VE", 0x200A}, {"es_CO", 0x240A}, {"es_PE", 0x280A},
    {"es_AR", 0x2C0A}, {"es_EC", 0x300A}, {"es_CL", 0x340A}, {"es_UY", 0x380A},
    {"es_PY", 0x3C0A}, {"es_BO", 0x400A}, {"es_SV", 0x440A}, {"es_HN", 0x480A},
    {"es_NI", 0x4C0A}, {"es_PR", 0x500A}, {"st_ZA", 0x0430}, {"sv_SE", 0x041D},
    {"sv_FI", 0x081D}, {"th_TH", 0x041E}, {"ts_ZA", 0x0431}, {"tn_ZA", 0x0432},
    {"tr_TR", 0x041F}, {"uk_UA", 0x0422}, {"ur_PK", 0x0420}, {"vi_VN", 0x042A},
    {"xh_ZA", 0x0434}, {"yi_US", 0x043D}, {"zu_ZA", 0x0435},
};

constexpr int kEnglishUnitedStates = 0x0409;
constexpr int kFallbackCodePage = 1252;

// Trims leading and trailing spaces and control characters (code <= 32).
QString trimControls(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 0x20)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 0x20)
        --last;
    return text.mid(first, last - first);
}

TLanguage parseLanguageRow(const QString &row)
{
    // At most four pieces: the last takes whatever follows the third ";".
    QStringList pieces;
    qsizetype from = 0;
    while (pieces.size() < 3) {
        const qsizetype at = row.indexOf(QLatin1Char(';'), from);
        if (at < 0)
            break;
        pieces.append(row.mid(from, at - from));
        from = at + 1;
    }
    pieces.append(row.mid(from));
    while (pieces.size() < 4)
        pieces.append(QString());
    TLanguage language;
    language.Id = trimControls(pieces[0]);
    language.Name = trimControls(pieces[1]);
    language.CodePage = trimControls(pieces[2]).toInt();
    language.Dictionary = trimControls(pieces[3]);
    return language;
}

QList<TCharsetCodePage> buildCharsetCodePages()
{
    QList<TCharsetCodePage> list;
    list.reserve(std::size(kCharsetRows));
    for (const char16_t *row : kCharsetRows) {
        const QString text = QString::fromUtf16(row);
        const qsizetype bar = text.indexOf(QLatin1Char('|'));
        list.append({text.left(bar), text.mid(bar + 1).toInt()});
    }
    return list;
}

QHash<QChar, QString> buildAsciiMap()
{
    QHash<QChar, QString> map;
    map.reserve(std::size(kAsciiRows));
    for (const char16_t *row : kAsciiRows) {
        const QString text = QString::fromUtf16(row);
        // The key is one UTF-16 character, then ":" and the replacement.
        if (!map.contains(text.at(0)))
            map.insert(text.at(0), text.mid(2));
    }
    return map;
}

} // namespace

TLanguages::TLanguages()
{
    Languages.reserve(std::size(kLanguageRows));
    for (const char16_t *row : kLanguageRows)
        Languages.append(parseLanguageRow(QString::fromUtf16(row)));
}

int TLanguages::GetCount() const
{
    return int(Languages.size());
}

const TLanguage &TLanguages::GetItem(int Index) const
{
    if (Index < 0 || Index >= Languages.size())
        throw Exception(QStringLiteral("Language index out of bounds (%1)").arg(Index));
    return Languages.at(Index);
}

int TLanguages::GetIndexById(const QString &Id) const
{
    for (int i = 0; i < Languages.size(); ++i)
        if (Languages.at(i).Id.compare(Id, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int TLanguages::GetCodepageById(const QString &Id) const
{
    const int index = GetIndexById(Id);
    return index < 0 ? 0 : Languages.at(index).CodePage;
}

QString TLanguages::GetNameById(const QString &Id) const
{
    const int index = GetIndexById(Id);
    return index < 0 ? QString() : Languages.at(index).Name;
}

QString TLanguages::GetDictionaryById(const QString &Id) const
{
    const int index = GetIndexById(Id);
    return index < 0 ? QString() : Languages.at(index).Dictionary;
}

void TLanguages::NameToStringLists(QStringList &List) const
{
    for (const TLanguage &language : Languages)
        List.append(language.Name);
}

QC_EARLY_INIT const TLanguages HelpLanguages;
QC_EARLY_INIT const QList<TCharsetCodePage> CharsetCodePages = buildCharsetCodePages();
QC_EARLY_INIT const QHash<QChar, QString> AsciiMap = buildAsciiMap();

int CharsetToCodePage(const QString &Charset)
{
    const QString name = trimControls(Charset);
    for (const TCharsetCodePage &row : CharsetCodePages)
        if (row.Name.compare(name, Qt::CaseInsensitive) == 0)
            return row.CodePage;
    return 0;
}

QC_EARLY_INIT const QStringList OutputCharsets = {
    QStringLiteral("Arabic; Windows-1256"),
    QStringLiteral("Baltic (ISO); iso-8859-4"),
    QStringLiteral("Baltic (Windows); Windows-1257"),
    QStringLiteral("Central European (ISO); iso-8859-2"),
    QStringLiteral("Central European (Windows); Windows-1250"),
    QStringLiteral("Cyrillic (ISO); iso_8859-5"),
    QStringLiteral("Cyrillic (KOI8-R); koi8-r"),
    QStringLiteral("Cyrillic (Windows); Windows-1251"),
    QStringLiteral("Greek (ISO); iso-8859-7"),
    QStringLiteral("Greek (Windows); Windows-1253"),
    QStringLiteral("Hebrew (ISO-Visual); iso-8859-8"),
    QStringLiteral("Hebrew (ISO-logical); Windows-1255"),
    QStringLiteral("Japanese (EUC); euc-jp"),
    QStringLiteral("Japanese (JIS); iso-2022-jp"),
    QStringLiteral("Japanese (Shift-JIS); shift_jis"),
    QStringLiteral("Korean (EUC); euc-kr"),
    QStringLiteral("Korean (ISO); ISO-2022-KR"),
    QStringLiteral("Korean (KSC5601); ks_c_5601"),
    QStringLiteral("Simplified Chinese (GB2312); gb2312"),
    QStringLiteral("Traditional Chinese (BIG5); big5"),
    QStringLiteral("Thai; Windows-874"),
    QStringLiteral("Turkish (ISO); iso-8859-9"),
    QStringLiteral("Turkish (Windows); Windows-1254"),
    QStringLiteral("Vietnamese; Windows-1258"),
    QStringLiteral("Western European (ISO); iso-8859-1"),
    QStringLiteral("Western European (Windows); Windows-1252"),
    QStringLiteral("Unicode; UTF-8"),
};

int PageCodePage(const QString &Charset)
{
    const QString name = trimControls(Charset);
    if (name.isEmpty() || name.compare(QLatin1String("unicode"), Qt::CaseInsensitive) == 0)
        return 0;
    const int codePage = CharsetToCodePage(name);
    if (codePage == 0)
        throw Exception(QStringLiteral("The charset \"%1\" is not one the program knows: help pages cannot be "
                                       "written in it.")
                            .arg(name));
    // The ISO-2022 charsets shift into two-byte runs made of ASCII bytes, so
    // that a run can look like markup ("<" and ">" among them): the HTML Help
    // compiler, which reads pages as markup, stops at such text.
    if (codePage == 50220 || codePage == 50221 || codePage == 50222 || codePage == 50225)
        throw Exception(QStringLiteral("The charset \"%1\" (code page %2) cannot be used for help pages: the HTML "
                                       "Help compiler misreads text in it as markup.")
                            .arg(name)
                            .arg(codePage));
    if (!CodePage::keepsAscii(codePage))
        throw Exception(QStringLiteral("The charset \"%1\" (code page %2) cannot be used for help pages: %3")
                            .arg(name)
                            .arg(codePage)
                            .arg(CodePage::isAvailable(codePage)
                                     ? QStringLiteral("it does not keep their HTML markup as plain text.")
                                     : QStringLiteral("this system cannot convert text to it.")));
    return codePage;
}

namespace {

struct CodePageCharsets {
    int codePage;
    const char *html;
    const char *font;
};

constexpr CodePageCharsets kCodePageCharsets[] = {
    {874, "Windows-874", "222"},    {932, "shift_jis", "128"},
    {936, "gb2312", "134"},         {949, "euc-kr", "129"},
    {950, "big5", "136"},           {1250, "Windows-1250", "238"},
    {1251, "Windows-1251", "204"},  {1252, "iso-8859-1", "0"},
    {1253, "Windows-1253", "161"},  {1254, "Windows-1254", "162"},
    {1255, "Windows-1255", "177"},  {1256, "Windows-1256", "180"},
    {1257, "Windows-1257", "186"},  {1258, "Windows-1258", "163"},
};

const CodePageCharsets *findCharsets(int codePage)
{
    for (const CodePageCharsets &row : kCodePageCharsets)
        if (row.codePage == codePage)
            return &row;
    return nullptr;
}

} // namespace

void CodePageToHtmlCharset(int CodePage, QString &Charset)
{
    if (const CodePageCharsets *row = findCharsets(CodePage))
        Charset = QString::fromLatin1(row->html);
}

void CodePageToFontCharset(int CodePage, QString &Charset)
{
    const CodePageCharsets *row = findCharsets(CodePage);
    Charset = QString::fromLatin1(row ? row->font : "0");
}

QString AnsiToUnicodeCP(const QByteArray &Bytes, int CodePage)
{
    const qsizetype end = Bytes.indexOf('\0');
    const QByteArray text = end < 0 ? Bytes : Bytes.left(end);
    return CodePage::toUnicode(text, CodePage == 0 ? AnsiCodePage() : CodePage);
}

QByteArray UnicodeToAnsiCP(const QString &Text, int CodePage)
{
    return CodePage::fromUnicode(Text, CodePage == 0 ? AnsiCodePage() : CodePage);
}

QString DecodeByteChars(const QString &Text, int CodePage)
{
    QByteArray bytes(Text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < Text.size(); ++i)
        bytes[i] = char(Text.at(i).unicode() & 0xFF);
    return AnsiToUnicodeCP(bytes, CodePage);
}

QString AsciiName(const QString &Text)
{
    QString name;
    for (const QChar c : trimControls(Text))
        name += AsciiMap.value(c);
    return name;
}

QString SystemLocaleName()
{
    for (const char *variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value;
    }
    return QString();
}

int LocaleToLanguageId(const QString &Locale)
{
    // language[_TERRITORY][.codeset][@modifier]; "-" is taken for "_".
    QString name = Locale.trimmed();
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    QString modifier;
    const qsizetype at = name.indexOf(QLatin1Char('@'));
    if (at >= 0) {
        modifier = name.mid(at);
        name.truncate(at);
    }
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    const qsizetype bar = name.indexOf(QLatin1Char('_'));
    const QString language = (bar < 0 ? name : name.left(bar)).toLower();
    const QString territory = bar < 0 ? QString() : name.mid(bar + 1).toUpper();
    if (language.isEmpty())
        return 0;
    const QString full = language + QLatin1Char('_') + territory;
    for (const QString &wanted : {full + modifier.toLower(), full})
        for (const LocaleRow &row : kLocaleRows)
            if (wanted == QLatin1String(row.locale))
                return row.langId;
    const QString prefix = language + QLatin1Char('_');
    for (const LocaleRow &row : kLocaleRows)
        if (QLatin1String(row.locale).startsWith(prefix))
            return row.langId;
    return 0;
}

QString LanguageIdToText(int LangId)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(LangId, 4, 16, QLatin1Char('0')).toUpper();
}

int LocaleAnsiCodePage(const QString &Locale)
{
    const int langId = LocaleToLanguageId(Locale);
    const int codePage = langId ? HelpLanguages.GetCodepageById(LanguageIdToText(langId)) : 0;
    return codePage ? codePage : kFallbackCodePage;
}

int SystemDefaultLangID()
{
    const int langId = LocaleToLanguageId(SystemLocaleName());
    return langId ? langId : kEnglishUnitedStates;
}

int AnsiCodePage()
{
    const int codePage = HelpLanguages.GetCodepageById(LanguageIdToText(SystemDefaultLangID()));
    return codePage ? codePage : kFallbackCodePage;
}
