#include "ui/CDetail.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/UiStyle.h"

CDetail::CDetail(QDialog*, Qt::WindowFlags)
{
    InitDialog();
    setWindowTitle("Quillmere");
    setWindowIcon(QIcon(":/image/logo.ico"));
    setFixedSize(600, 400);
    m_nSuccess = 0;
    m_nFailed = 0;
}

void CDetail::InitDialog()
{
    // Built before the size is fixed: the width here is the form's.
    const int w = width();
    const QFont font = CalibriFont(11);

    auto* header = new QLabel(this);
    header->setMinimumSize(w, 60);
    header->setStyleSheet(backGroud_style);
    m_pLabelTitle = new QLabel(header);
    m_pLabelTitle->setObjectName("detailTitle");
    // Centred where a 40-high label at y = 10 would be, but tall enough for the
    // three lines of the first text.
    m_pLabelTitle->setGeometry(0, 0, 400, 60);
    m_pLabelTitle->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pLabelTitle->setStyleSheet("color: white;");
    m_pLabelTitle->setFont(font);
    m_pLabelTitle->setText(QString::asprintf("  Recovery Detail\n\n  Sucess:%d Failed:%d\n", 0, 0));
    auto* headerRow = new QHBoxLayout;
    headerRow->setSpacing(0);
    headerRow->setContentsMargins(0, 0, 0, 0);
    headerRow->addWidget(header);

    CreateTable();

    auto* strip = new QLabel(this);
    strip->setMinimumSize(w - 60, 40);
    AddStripButton(strip, "OK", {w / 2, 5}, font, &CDetail::btnSlot);

    auto* inner = new QVBoxLayout;
    inner->setContentsMargins(5, 0, 5, 0);
    inner->addWidget(m_pTable);
    inner->addWidget(strip);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addLayout(headerRow);
    outer->addLayout(inner);
}

void CDetail::CreateTable()
{
    m_pTable = new QTableWidget(this);
    m_pTable->setObjectName("detailTable");
    m_pTable->setMouseTracking(true);
    m_pTable->setColumnCount(2);
    m_pTable->setHorizontalHeaderLabels({"Name", "Status"});
    m_pTable->setColumnWidth(0, 400);
    m_pTable->setColumnWidth(1, 300);
    m_pTable->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pTable->horizontalHeader()->setStretchLastSection(true);
    m_pTable->verticalHeader()->setVisible(false);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->setFont(CalibriFont(11));
}

void CDetail::AddTableItem(QString name, int failureFlag)
{
    auto* nameItem = new QTableWidgetItem(name);
    auto* statusItem = new QTableWidgetItem;
    int row = 0;
    if (failureFlag != 0) {
        // Failures on top, the latest first.
        m_pTable->insertRow(0);
        statusItem->setText("Failed");
        statusItem->setForeground(QColor(255, 0, 0));
        ++m_nFailed;
    } else {
        row = m_pTable->rowCount();
        m_pTable->insertRow(row);
        statusItem->setText("Success");
        ++m_nSuccess;
    }
    m_pTable->setItem(row, 0, nameItem);
    m_pTable->setItem(row, 1, statusItem);
    m_pTable->setRowHeight(row, 22);
    m_pLabelTitle->setText(QString::asprintf("  Recovery Detail\n  Sucess:%d Failed:%d\n", m_nSuccess, m_nFailed));
}

void CDetail::btnSlot()
{
    close();
}
