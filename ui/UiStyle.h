// Look shared by the main window and its dialogs: style sheets and fonts.
#pragma once

#include <QFont>
#include <QString>

// Every active button of the main window.
extern const QString Layout2_main_button_style;
// The disabled look of Scan and Recovery.
extern const QString main_button_style_no_file;
// The dark top and bottom bands.
extern const QString Layout1TopBackGroud_style;
// The line under the top band.
extern const QString LayoutLine_style;
// Text of the version label.
extern const QString Version_label;
// Background of the central widget.
extern const QString centralWidget_style;
// The dark header panel of the dialogs.
extern const QString backGroud_style;
// The buttons of the dialogs.
extern const QString main_button_style;
// The grey button strip of the message and password dialogs.
extern const QString buttonStrip_style;

// "Calibri" (Carlito on Debian, metric-compatible) at a point size and weight.
QFont CalibriFont(int pointSize, QFont::Weight weight = QFont::Normal);
