#pragma once
// The scheme of a link address as a browser reads it: blanks and control
// characters anywhere before the first colon are dropped and case does not
// count, so " Java\tScript:" is "javascript".
#include <QString>
#include <QStringView>

// The lower-cased scheme; empty when the address has no colon or what stands
// before it is too long to be a scheme that runs script.
QString LinkScheme(QStringView address);
