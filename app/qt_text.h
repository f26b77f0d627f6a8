// The one crossing between the window's texts (QString) and the watch's local
// GBK texts (Text). Both directions go through UTF-16, which QString holds
// natively, so nothing but the code-page layer decides how GBK maps.
#ifndef LIRABEL_APP_QT_TEXT_H_
#define LIRABEL_APP_QT_TEXT_H_

#include <QString>
#include <string_view>

#include "text/text.h"

namespace lirabel {

// Local text as shown in a control.
QString toQString(std::string_view localText);

// A control's text as local text; characters GBK lacks become the code-page
// layer's substitutes.
Text toLocalText(const QString& text);

// A window literal (UTF-8, lines joined by CR LF) as a control shows it: Qt
// breaks lines at LF alone.
QString windowText(std::string_view utf8);

}  // namespace lirabel

#endif  // LIRABEL_APP_QT_TEXT_H_
