// A small modal message: information (OK) or question (NO / OK).
// Use: construct, setGeometry, InitInfoDialog or InitQuestionDialog, exec,
// then GetMessageBoxRet (1 after OK, 0 after NO or any other way of closing).
#pragma once

#include "ui/CDialogBase.h"

class QLabel;

class CMessageBox : public CDialogBase {
    Q_OBJECT
public:
    explicit CMessageBox(QDialog* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    void InitInfoDialog(QString text);
    void InitQuestionDialog(QString text, bool unused);
    int GetMessageBoxRet() const { return m_nMessageBoxRet; }

    QLabel* m_pLabelText = nullptr;

public slots:
    void btnSlotOK();
    void btnSlotNO();

private:
    void BuildForm(const QString& text, bool question);

    int m_nMessageBoxRet = 0;
};
