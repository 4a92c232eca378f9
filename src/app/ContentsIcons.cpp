#include "app/ContentsIcons.h"

#include <QComboBox>
#include <QFile>
#include <QHash>

#include "project/ProjectSetting.h"

QIcon ContentsIcon(int index)
{
    if (index < 0 || index >= ContentsIconCount)
        return {};
    // Loaded once per picture: the lists and the designer's tree ask often.
    static QHash<int, QIcon> cache;
    auto it = cache.find(index);
    if (it != cache.end())
        return *it;
    const QString file = ProgramFolder() + QStringLiteral("webhelp/icons/%1.gif").arg(index + 1);
    QIcon icon;
    if (QFile::exists(file))
        icon = QIcon(QPixmap(file));
    cache.insert(index, icon);
    return icon;
}

void ShowContentsIcons(QComboBox *list)
{
    // The pictures alone: their numbers mean nothing to a writer. An item
    // whose picture is missing keeps its number.
    list->setIconSize(QSize(18, 18));
    for (int i = 0; i < list->count() && i < ContentsIconCount; ++i) {
        const QIcon icon = ContentsIcon(i);
        if (icon.isNull())
            continue;
        list->setItemIcon(i, icon);
        list->setItemData(i, list->itemText(i), Qt::ToolTipRole);
        list->setItemText(i, QString());
    }
}
