#include "ui/CMessageBox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/UiStyle.h"

CMessageBox::CMessageBox(QDialog*, Qt::WindowFlags)
{
    setWindowTitle("Quillmere");
    setWindowIcon(QIcon(":/image/logo.ico"));
    setFixedSize(400, 150);
    m_nMessageBoxRet = 0;
}

void CMessageBox::InitInfoDialog(QString text)
{
    BuildForm(text, false);
}

void CMessageBox::InitQuestionDialog(QString text, bool)
{
    BuildForm(text, true);
}

void CMessageBox::BuildForm(const QString& text, bool question)
{
    const int w = width();
    const QFont font = CalibriFont(12);

    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(question ? ":/image/question.png" : ":/image/information.png"));
    icon->setAlignment(Qt::AlignCenter);

    m_pLabelText = new QLabel(text, this);
    m_pLabelText->setObjectName("messageText");
    m_pLabelText->setFont(font);
    m_pLabelText->setStyleSheet("color: black;");
    m_pLabelText->setMinimumSize(w - 60, 80);
    m_pLabelText->setWordWrap(!question);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(5, 0, 0, 0);
    body->setSpacing(10);
    body->addWidget(icon, 0, Qt::AlignCenter);
    body->addWidget(m_pLabelText, 1);

    auto* strip = new QLabel(this);
    strip->setMinimumSize(w, 40);
    strip->setStyleSheet(buttonStrip_style);

    if (question) {
        AddStripButton(strip, "NO", {w / 4, 5}, font, &CMessageBox::btnSlotNO);
        AddStripButton(strip, "OK", {w / 4 + 100, 5}, font, &CMessageBox::btnSlotOK);
    } else {
        AddStripButton(strip, "OK", {w / 3, 5}, font, &CMessageBox::btnSlotOK)->setDefault(true);
    }

    auto* inner = new QVBoxLayout;
    inner->setContentsMargins(0, 0, 0, 0);
    inner->addLayout(body);
    inner->addStretch(2);
    inner->addWidget(strip);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addStretch(2);
    outer->addLayout(inner);
}

void CMessageBox::btnSlotOK()
{
    m_nMessageBoxRet = 1;
    close();
}

void CMessageBox::btnSlotNO()
{
    m_nMessageBoxRet = 0;
    close();
}
