#pragma once

#include <QIcon>

class QComboBox;

// The contents icon list: the 42 pictures that a help contents entry can show
// (books, folders, pages), the same images that WebHelp copies into its
// output, read from the program's "webhelp/icons" folder.
constexpr int ContentsIconCount = 42;

// Picture `index` (0-based) of the list; a null icon when the file is missing.
QIcon ContentsIcon(int index);

// Shows each item of a list of icon numbers ("1" to "42") as its picture.
void ShowContentsIcons(QComboBox *list);
