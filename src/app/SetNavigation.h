#pragma once
// The navigation trail's settings: start text, delimiter, whether the trail
// ends with the delimiter and whether it includes the topic's own title,
// with a live preview.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

class TfrmSetNavigation : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSetNavigation(QWidget *parent = nullptr);

    // Fills the controls from a setting text (four quoted items); the two
    // texts show with their character references decoded.
    void LoadSetting(const QString &SettingStr);
    // The setting text of the controls.
    QString GetSettingStr() const;
    // The trail a setting text makes, as the preview shows it:
    // "Help > Heading1 > Heading2 > Topic".
    static QString Preview(const QString &SettingStr);

    QLineEdit *edtStartString = nullptr;
    QLineEdit *edtDelimiter = nullptr;
    QCheckBox *cbEndwithDelimiter = nullptr;
    QCheckBox *cbIncludeTopic = nullptr;
    QLineEdit *edtPreview = nullptr;
    QPushButton *OKBtn = nullptr, *CancelBtn = nullptr;

private:
    void UpdatePreview();
};
