#pragma once
// Product information: global texts set by the program's entry before any
// window exists, read by the main window, the splash and the About box.
#include <QString>

extern QString ProductName;
extern QString ProductVersion;
extern QString ProductRegistryKey;
extern QString ProductCopyright;
extern QString ProductWebAddress;
extern QString ProductSupportMail;

// The task-bar text before the main window sets its own caption.
extern const QString ApplicationTitle;

// Fills the globals above with this product's values.
void SetProductInformation();
