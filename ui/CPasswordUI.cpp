#include "ui/CPasswordUI.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/UiStyle.h"

CPasswordUI::CPasswordUI(QDialog*, Qt::WindowFlags)
{
    setWindowTitle("iTunes Backup Password");
    setWindowIcon(QIcon(":/image/logo.ico"));
    setFixedSize(500, 250);
    m_nRet = 1;
    InitDialog();
}

void CPasswordUI::InitDialog()
{
    const int w = width();
    const QFont font = CalibriFont(12);

    auto* top = new QLabel(this);
    top->setMinimumSize(w, 40);

    auto* body = new QLabel(this);
    body->setMinimumHeight(180);
    auto* text = new QLabel("The selected iTunes Backup File is encrypted. Please enter the password to unlock it.", body);
    // Two lines at this font size: 44 high, ending where the field starts.
    text->setGeometry(20, 26, w - 40, 44);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setWordWrap(true);
    text->setFont(font);
    text->setStyleSheet("color: black;");

    m_pLineEdit = new QLineEdit(body);
    m_pLineEdit->setObjectName("passwordField");
    m_pLineEdit->setGeometry(20, 70, w - 40, 25);
    m_pLineEdit->setFont(font);
    m_pLineEdit->setStyleSheet("color: black;");
    // Bullets, never the typed characters.
    m_pLineEdit->setEchoMode(QLineEdit::Password);
    connect(m_pLineEdit, &QLineEdit::returnPressed, this, &CPasswordUI::btnSlotOK);

    auto* strip = new QLabel(this);
    strip->setMinimumHeight(50);
    strip->setStyleSheet(buttonStrip_style);
    AddStripButton(strip, "OK", {w / 4 + 20, 10}, font, &CPasswordUI::btnSlotOK, false);
    AddStripButton(strip, "Cancel", {w / 3 + 80, 10}, font, &CPasswordUI::btnSlotNO, false);

    auto* inner = new QVBoxLayout;
    inner->setContentsMargins(0, 0, 0, 0);
    inner->addWidget(body);
    inner->addWidget(strip);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(top);
    outer->addLayout(inner);

    m_pLineEdit->setFocus();
}

QString CPasswordUI::Password() const
{
    return m_pLineEdit->text();
}

void CPasswordUI::btnSlotOK()
{
    m_nRet = 0;
    close();
}

void CPasswordUI::btnSlotNO()
{
    m_nRet = 1;
    close();
}
