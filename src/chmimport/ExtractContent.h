#pragma once
// The content of a piece of a page: all of it but a first block that repeats
// the piece's title, repaired so that a fragment cut out of a table is a
// whole table again.
#include <QString>

class THtmlTags;

// TitleFrom: where the piece's own text begins (after what it takes from
// before its anchor); the title block is the first block from there.
QString ExtractMainContent(const QString &Html, const QString &Title, qsizetype TitleFrom = 0);
// Loose title comparison: equal without regard to case, or one contains the
// other and their lengths differ by less than 40% of the longer.
bool IsSimilarTitle(const QString &A, const QString &B);
// Closes or opens a table around a fragment that begins or ends inside one.
QString BalanceTableFragment(const QString &Html);
// The sum of CharCount over the open elements.
int SumOpenCharCount(const THtmlTags &Tags);
