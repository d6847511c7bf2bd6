#include "ui/Ui_Dialog.h"

#include <QCoreApplication>
#include <QDialog>
#include <QMetaObject>

void Ui_Dialog::setupUi(QDialog* dialog)
{
    if (dialog->objectName().isEmpty())
        dialog->setObjectName("Dialog");
    dialog->resize(426, 300);
    retranslateUi(dialog);
    QMetaObject::connectSlotsByName(dialog);
}

void Ui_Dialog::retranslateUi(QDialog* dialog)
{
    dialog->setWindowTitle(QCoreApplication::translate("Dialog", "Dialog"));
}
