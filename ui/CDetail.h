// The result dialog of a recovery: every item with "Success" or "Failed",
// failures gathered at the top, and the two counts in the header.
#pragma once

#include "ui/CDialogBase.h"

class QLabel;
class QTableWidget;

class CDetail : public CDialogBase {
    Q_OBJECT
public:
    explicit CDetail(QDialog* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    void AddTableItem(QString name, int failureFlag);
    int SuccessCount() const { return m_nSuccess; }
    int FailedCount() const { return m_nFailed; }

    QTableWidget* m_pTable = nullptr;
    QLabel* m_pLabelTitle = nullptr;

public slots:
    void btnSlot();

private:
    void CreateTable();
    void InitDialog();

    int m_nSuccess = 0;
    int m_nFailed = 0;
};
