#include "ui/UiStyle.h"

namespace {
// One definition of the rounded button, in two colourings.
QString ButtonStyle(const char* background, const char* text, const char* active, int radius = 15)
{
    return QString("QPushButton{background-color:%1;color:%2;border-radius:%4px;"
                   "border:2px groove white;border-style:outset;}"
                   "QPushButton:hover{background-color:%3;}"
                   "QPushButton:pressed{background-color:%3;border-style:inset;}")
        .arg(background, text, active)
        .arg(radius);
}
}  // namespace

const QString Layout2_main_button_style = ButtonStyle("rgb(70, 130, 180)", "white", "rgb(190, 190, 190)");
const QString main_button_style_no_file = ButtonStyle("rgb(209, 223, 236)", "grey", "rgb(44, 54, 76)");
const QString Layout1TopBackGroud_style = "background-color: rgb(44, 54 ,76);";
const QString LayoutLine_style = "background-color: rgb(37, 101, 137);";
const QString Version_label = "Version 9.9.8";
const QString centralWidget_style = "background-color: rgb(252, 252, 252);";
const QString backGroud_style = "background-color: rgb(44, 54 ,76);";
// The dialogs' buttons are 25 high: Qt squares off corners whose radius exceeds
// half the height, so they round by 12 px.
const QString main_button_style = ButtonStyle("rgb(70, 130, 180)", "white", "rgb(190, 190, 190)", 12);
const QString buttonStrip_style = "background-color: rgb(220, 220, 220);";

QFont CalibriFont(int pointSize, QFont::Weight weight)
{
    QFont font("Calibri", pointSize, weight);
    return font;
}
