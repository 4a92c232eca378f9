#pragma once
// Finding the main content of an HTML fragment: the element that holds most
// of its text, without a leading title block, repaired so that a fragment
// cut out of a table is a whole table again.
#include <QString>

class THtmlTags;

QString ExtractMainContent(const QString &Html, const QString &Title);
// Loose title comparison: equal without regard to case, or one contains the
// other and their lengths differ by less than 40% of the longer.
bool IsSimilarTitle(const QString &A, const QString &B);
// Closes or opens a table around a fragment that begins or ends inside one.
QString BalanceTableFragment(const QString &Html);
// The sum of CharCount over the open elements.
int SumOpenCharCount(const THtmlTags &Tags);
