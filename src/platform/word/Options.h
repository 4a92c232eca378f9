#pragma once
// Word's user options that a long automated run switches off and puts back
// afterwards: proofing, formatting as you type, automatic formatting
// (Application.Options) and automatic correction (Application.AutoCorrect).
// The engine itself formats nothing on its own; the values are kept as Word
// keeps them, for the whole process and every Application in it, so a run can
// save, change and restore them across restarts of the application object.
#include <QMutex>

namespace word {

#define QC_WORD_OPTIONS(X)                                                                                   \
    X(CheckGrammarAsYouType, true)                                                                           \
    X(CheckGrammarWithSpelling, true)                                                                        \
    X(ContextualSpeller, true)                                                                               \
    X(CheckSpellingAsYouType, true)                                                                          \
    X(AutoFormatAsYouTypeApplyHeadings, false)                                                               \
    X(AutoFormatAsYouTypeApplyBorders, true)                                                                 \
    X(AutoFormatAsYouTypeApplyBulletedLists, true)                                                           \
    X(AutoFormatAsYouTypeApplyNumberedLists, true)                                                           \
    X(AutoFormatAsYouTypeApplyTables, true)                                                                  \
    X(AutoFormatAsYouTypeReplaceQuotes, true)                                                                \
    X(AutoFormatAsYouTypeReplaceSymbols, true)                                                               \
    X(AutoFormatAsYouTypeReplaceOrdinals, true)                                                              \
    X(AutoFormatAsYouTypeReplaceFractions, true)                                                             \
    X(AutoFormatAsYouTypeReplacePlainTextEmphasis, false)                                                    \
    X(AutoFormatAsYouTypeReplaceHyperlinks, true)                                                            \
    X(AutoFormatAsYouTypeFormatListItemBeginning, true)                                                      \
    X(AutoFormatAsYouTypeDefineStyles, false)                                                                \
    X(TabIndentKey, true)                                                                                    \
    X(AutoFormatAsYouTypeApplyFirstIndents, true)                                                            \
    X(AutoFormatAsYouTypeApplyDates, true)                                                                   \
    X(AutoFormatAsYouTypeMatchParentheses, true)                                                             \
    X(AutoFormatAsYouTypeInsertOvers, true)                                                                  \
    X(AutoFormatAsYouTypeDeleteAutoSpaces, true)                                                             \
    X(AutoFormatApplyHeadings, true)                                                                         \
    X(AutoFormatApplyLists, true)                                                                            \
    X(AutoFormatApplyBulletedLists, true)                                                                    \
    X(AutoFormatApplyOtherParas, true)                                                                       \
    X(AutoFormatReplaceQuotes, true)                                                                         \
    X(AutoFormatReplaceSymbols, true)                                                                        \
    X(AutoFormatReplaceOrdinals, true)                                                                       \
    X(AutoFormatReplaceFractions, true)                                                                      \
    X(AutoFormatReplacePlainTextEmphasis, true)                                                              \
    X(AutoFormatReplaceHyperlinks, true)                                                                     \
    X(AutoFormatPreserveStyles, true)                                                                        \
    X(AutoFormatPlainTextWordMail, true)                                                                     \
    X(AutoFormatApplyFirstIndents, true)                                                                     \
    X(AutoFormatMatchParentheses, true)                                                                      \
    X(AutoFormatDeleteAutoSpaces, true)                                                                      \
    X(AutoFormatReplaceFarEastDashes, true)

#define QC_WORD_AUTOCORRECT(X)                                                                               \
    X(CorrectInitialCaps, true)                                                                              \
    X(CorrectSentenceCaps, true)                                                                             \
    X(CorrectDays, true)                                                                                     \
    X(CorrectCapsLock, true)                                                                                 \
    X(ReplaceText, true)                                                                                     \
    X(ReplaceTextFromSpellingChecker, true)                                                                  \
    X(CorrectKeyboardSetting, false)                                                                         \
    X(CorrectTableCells, true)

namespace options {
struct Values {
#define QC_FIELD(name, def) bool name = def;
    QC_WORD_OPTIONS(QC_FIELD)
    QC_WORD_AUTOCORRECT(QC_FIELD)
#undef QC_FIELD
};
// The process's values, guarded by mutex().
Values &values();
QMutex &mutex();
} // namespace options

#define QC_ACCESSORS(name, def)                                                                              \
    bool name() const                                                                                        \
    {                                                                                                        \
        QMutexLocker lock(&options::mutex());                                                                \
        return options::values().name;                                                                       \
    }                                                                                                        \
    void set##name(bool on)                                                                                  \
    {                                                                                                        \
        QMutexLocker lock(&options::mutex());                                                                \
        options::values().name = on;                                                                         \
    }

class Options {
public:
    QC_WORD_OPTIONS(QC_ACCESSORS)
};

class AutoCorrect {
public:
    QC_WORD_AUTOCORRECT(QC_ACCESSORS)
};

#undef QC_ACCESSORS

} // namespace word
