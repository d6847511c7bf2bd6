// The form every small dialog applies first, before setting its own title and size.
#pragma once

class QDialog;

class Ui_Dialog {
public:
    void setupUi(QDialog* dialog);
    void retranslateUi(QDialog* dialog);
};
