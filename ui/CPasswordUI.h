// Asks for the password of an encrypted backup. m_nRet is 0 after OK, 1 otherwise.
#pragma once

#include "ui/CDialogBase.h"

class QLineEdit;

class CPasswordUI : public CDialogBase {
    Q_OBJECT
public:
    explicit CPasswordUI(QDialog* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    QString Password() const;

    int m_nRet = 1;
    QLineEdit* m_pLineEdit = nullptr;

public slots:
    void btnSlotOK();
    void btnSlotNO();

private:
    void InitDialog();
};
