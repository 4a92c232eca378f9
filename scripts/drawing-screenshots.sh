#!/usr/bin/env bash
# Screenshots for checking by eye how drawings come through: a Word document
# with a chart, WordArt, shapes, form-field check boxes and Symbol and
# Wingdings text (and any further documents given) is built with
# `quillcraft X.qvx /bs`; each WebHelp topic page and the same page of the
# compiled help are shot in headless Chromium beside LibreOffice's rendering
# of the document.
#
# Usage: scripts/drawing-screenshots.sh [-o OUTDIR] [FILE.docx ...]
#   -o  output folder (default build/drawing-screenshots)
# Writes OUTDIR/<document>/<topic>.png (left: WebHelp page, middle: the
# compiled help's page, right: LibreOffice's pages) and prints their paths.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
QC="${QUILLCRAFT:-$ROOT/build/bin/quillcraft}"
TEMPLATE_QVX="$ROOT/examples/sample/SampleManual.qvx"
OUT="$ROOT/build/drawing-screenshots"
while getopts "o:" opt; do
  case "$opt" in
    o) OUT="$OPTARG" ;;
    *) sed -n '2,13p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

for tool in "$QC" chromium soffice pdftoppm extract_chmLib python3 iconv; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (run scripts/setup.sh and build first)" >&2; exit 1; }
done
mkdir -p "$OUT"
OUT="$(cd "$OUT" && pwd)"

# The sample document: one topic per kind of drawing.
python3 - "$OUT/drawings.docx" <<'PY'
import sys, zipfile
W = ('xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" '
     'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" '
     'xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing" '
     'xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
     'xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" '
     'xmlns:v="urn:schemas-microsoft-com:vml" xmlns:o="urn:schemas-microsoft-com:office:office" '
     'xmlns:wps="http://schemas.microsoft.com/office/word/2010/wordprocessingShape"')
def para(text, style=None):
    ppr = f'<w:pPr><w:pStyle w:val="{style}"/></w:pPr>' if style else ''
    return f'<w:p>{ppr}<w:r><w:t xml:space="preserve">{text}</w:t></w:r></w:p>'
def run(text, font=None):
    rpr = f'<w:rPr><w:rFonts w:ascii="{font}" w:hAnsi="{font}"/></w:rPr>' if font else ''
    return f'<w:r>{rpr}<w:t xml:space="preserve">{text}</w:t></w:r>'
def drawing(descr, uri, graphic, cx=3657600, cy=2286000, n=[0]):
    n[0] += 1
    return (f'<w:r><w:drawing><wp:inline><wp:extent cx="{cx}" cy="{cy}"/><wp:docPr id="{n[0]}" name="D{n[0]}" '
            f'descr="{descr}"/><a:graphic><a:graphicData uri="{uri}">{graphic}</a:graphicData></a:graphic>'
            '</wp:inline></w:drawing></w:r>')
def checkbox(ticked):
    return ('<w:r><w:fldChar w:fldCharType="begin"><w:ffData><w:name w:val="Check"/><w:checkBox><w:sizeAuto/>'
            f'<w:default w:val="{1 if ticked else 0}"/></w:checkBox></w:ffData></w:fldChar></w:r>'
            '<w:r><w:instrText xml:space="preserve"> FORMCHECKBOX </w:instrText></w:r>'
            '<w:r><w:fldChar w:fldCharType="separate"/></w:r><w:r><w:fldChar w:fldCharType="end"/></w:r>')
shape_uri = 'http://schemas.microsoft.com/office/word/2010/wordprocessingShape'
chart = drawing('Sales by quarter', 'http://schemas.openxmlformats.org/drawingml/2006/chart', '<c:chart r:id="rIdChart"/>')
arrow = drawing('Arrow', shape_uri,
    '<wps:wsp><wps:spPr><a:prstGeom prst="rightArrow"><a:avLst/></a:prstGeom><a:solidFill><a:srgbClr val="4472C4"/>'
    '</a:solidFill></wps:spPr><wps:bodyPr/></wps:wsp>', 1828800, 914400)
wordart = drawing('Arched title', shape_uri,
    '<wps:wsp><wps:spPr><a:prstGeom prst="rect"><a:avLst/></a:prstGeom><a:noFill/></wps:spPr><wps:txbx>'
    '<w:txbxContent><w:p><w:pPr><w:jc w:val="center"/></w:pPr><w:r><w:rPr><w:b/><w:color w:val="C00000"/><w:sz w:val="56"/></w:rPr>'
    '<w:t>Tidewater</w:t></w:r></w:p></w:txbxContent></wps:txbx><wps:bodyPr><a:prstTxWarp prst="textArchUp">'
    '<a:avLst/></a:prstTxWarp></wps:bodyPr></wps:wsp>', 3200400, 1371600)
vml_wordart = ('<w:r><w:pict><v:shapetype id="_x0000_t136" coordsize="21600,21600" o:spt="136" adj="10800" '
    'path="m@7,l@8,m@5,21600l@6,21600e"><v:path textpathok="t" o:connecttype="custom"/>'
    '<v:textpath on="t" fitshape="t"/></v:shapetype><v:shape type="#_x0000_t136" alt="Wavy words" '
    'style="width:216pt;height:54pt" fillcolor="#2e74b5" stroked="f"><v:textpath style="font-family:&quot;Arial Black&quot;" '
    'string="Wavy words"/></v:shape></w:pict></w:r>')
body = (para('Charts', 'Heading1') + para('A column chart drawn by the document:') + f'<w:p>{chart}</w:p>'
        + para('WordArt and shapes', 'Heading1') + f'<w:p>{wordart}</w:p>' + f'<w:p>{vml_wordart}</w:p>'
        + f'<w:p>{arrow}</w:p>'
        + para('Check boxes', 'Heading1')
        + f'<w:p>{checkbox(True)}{run(" Ticked box")}</w:p><w:p>{checkbox(False)}{run(" Empty box")}</w:p>'
        + para('Symbol text', 'Heading1')
        + '<w:p>' + run('Greek from Symbol: ') + run('a b g p S W \xa3 \xa5 \xb9', 'Symbol') + '</w:p>'
        + '<w:p>' + run('Wingdings signs: ') + run('\uf0fc \uf051 \uf04a \uf028 \uf06c \uf0e8', 'Wingdings') + '</w:p>'
        + '<w:sectPr><w:pgSz w:w="12240" w:h="15840"/><w:pgMar w:top="1440" w:right="1440" w:bottom="1440" '
          'w:left="1440" w:header="720" w:footer="720" w:gutter="0"/></w:sectPr>')
document = f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><w:document {W}><w:body>{body}</w:body></w:document>'
styles = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?><w:styles xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">'
          '<w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/></w:style>'
          '<w:style w:type="paragraph" w:styleId="Heading1"><w:name w:val="heading 1"/><w:basedOn w:val="Normal"/>'
          '<w:pPr><w:outlineLvl w:val="0"/></w:pPr><w:rPr><w:b/><w:sz w:val="32"/></w:rPr></w:style></w:styles>')
points = ''.join(f'<c:pt idx="{i}"><c:v>{v}</c:v></c:pt>' for i, v in enumerate([12, 19, 7, 15]))
names = ''.join(f'<c:pt idx="{i}"><c:v>Q{i + 1}</c:v></c:pt>' for i in range(4))
chart_xml = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
    '<c:chartSpace xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" '
    'xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><c:chart><c:title><c:tx><c:rich><a:bodyPr/>'
    '<a:p><a:r><a:t>Sales</a:t></a:r></a:p></c:rich></c:tx><c:overlay val="0"/></c:title><c:autoTitleDeleted val="0"/>'
    '<c:plotArea><c:layout/><c:barChart><c:barDir val="col"/><c:grouping val="clustered"/><c:varyColors val="0"/>'
    '<c:ser><c:idx val="0"/><c:order val="0"/><c:tx><c:v>Sales</c:v></c:tx><c:spPr><a:solidFill><a:srgbClr val="ED7D31"/>'
    f'</a:solidFill></c:spPr><c:cat><c:strLit><c:ptCount val="4"/>{names}</c:strLit></c:cat><c:val><c:numLit>'
    f'<c:formatCode>General</c:formatCode><c:ptCount val="4"/>{points}</c:numLit></c:val></c:ser>'
    '<c:axId val="1"/><c:axId val="2"/></c:barChart><c:catAx><c:axId val="1"/><c:scaling><c:orientation val="minMax"/>'
    '</c:scaling><c:delete val="0"/><c:axPos val="b"/><c:crossAx val="2"/></c:catAx><c:valAx><c:axId val="2"/>'
    '<c:scaling><c:orientation val="minMax"/></c:scaling><c:delete val="0"/><c:axPos val="l"/><c:majorGridlines/>'
    '<c:crossAx val="1"/></c:valAx></c:plotArea><c:plotVisOnly val="1"/></c:chart></c:chartSpace>')
rel = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('[Content_Types].xml', '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
        '<Default Extension="xml" ContentType="application/xml"/>'
        '<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>'
        '<Override PartName="/word/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/>'
        '<Override PartName="/word/charts/chart1.xml" ContentType="application/vnd.openxmlformats-officedocument.drawingml.chart+xml"/></Types>')
    z.writestr('_rels/.rels', '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        f'<Relationship Id="rId1" Type="{rel}/officeDocument" Target="word/document.xml"/></Relationships>')
    z.writestr('word/_rels/document.xml.rels', '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        f'<Relationship Id="rIdStyles" Type="{rel}/styles" Target="styles.xml"/>'
        f'<Relationship Id="rIdChart" Type="{rel}/chart" Target="charts/chart1.xml"/></Relationships>')
    z.writestr('word/document.xml', document)
    z.writestr('word/styles.xml', styles)
    z.writestr('word/charts/chart1.xml', chart_xml)
PY

shoot() { # url png width height
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --allow-file-access-from-files \
    --window-size="$3,$4" --screenshot="$2" "$1" >/dev/null 2>&1
}

for doc in "$OUT/drawings.docx" "$@"; do
  name="$(basename "${doc%.*}")"
  dir="$OUT/$name"
  rm -rf "$dir"
  mkdir -p "$dir/project"
  cp "$doc" "$dir/project/$name.docx"
  iconv -f UTF-16LE -t UTF-8 "$TEMPLATE_QVX" \
    | SOURCE_NAME="$name.docx" awk '{ if (index($0, "SourceFile=") == 1) print "SourceFile=<Project_Folder>/" ENVIRON["SOURCE_NAME"] "\r"; else print }' \
    | sed '1s/^\xEF\xBB\xBF//' \
    | { printf '\xFF\xFE'; iconv -f UTF-8 -t UTF-16LE; } >"$dir/project/$name.qvx"
  if ! QT_QPA_PLATFORM=offscreen "$QC" "$dir/project/$name.qvx" /bs; then
    echo "$name: the build failed; see $dir/project/$name.log" >&2
    continue
  fi
  # LibreOffice's own rendering of the document, one PNG per page.
  soffice --headless --convert-to pdf --outdir "$dir/lo" "$dir/project/$name.docx" >/dev/null 2>&1
  pdftoppm -r 96 -png "$dir/lo/$name.pdf" "$dir/lo/page"
  extract_chmLib "$dir/project/HTML help/help.chm" "$dir/chm" >/dev/null
  lo_imgs=""
  for p in "$dir"/lo/page*.png; do lo_imgs+="<img src=\"file://$p\" style=\"width:100%;border:1px solid #888\">"; done
  for page in "$dir"/project/WebHelp/pages/*.htm*; do
    topic="$(basename "${page%.*}")"
    chm_page="$(find "$dir/chm" -iname "$(basename "$page" | sed 's/\.html$/.htm/')" | head -1)"
    cat >"$dir/$topic.compare.html" <<HTML
<!DOCTYPE html><html><body style="margin:0;display:flex;font:12px sans-serif">
<div style="flex:1"><b>WebHelp</b><iframe sandbox="allow-same-origin" src="file://$page" style="width:100%;height:1160px;border:1px solid #888"></iframe></div>
<div style="flex:1"><b>Compiled help page</b><iframe sandbox="allow-same-origin" src="file://${chm_page:-about:blank}" style="width:100%;height:1160px;border:1px solid #888"></iframe></div>
<div style="flex:1;overflow:hidden;height:1180px"><b>LibreOffice</b>$lo_imgs</div>
</body></html>
HTML
    shoot "file://$dir/$topic.compare.html" "$dir/$topic.png" 1800 1200
    echo "$dir/$topic.png"
  done
done
