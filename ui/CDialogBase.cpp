#include "ui/CDialogBase.h"

#include <QMouseEvent>

#include "ui/UiStyle.h"

CDialogBase::CDialogBase(QWidget* parent) : QDialog(parent)
{
    m_form.setupUi(this);
}

void CDialogBase::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragPos = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
    } else if (event->button() == Qt::RightButton) {
        // Goes through closeEvent, so a running operation still asks first.
        close();
    }
}

void CDialogBase::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::LeftButton) {
        move(event->globalPosition().toPoint() - m_dragPos);
        event->accept();
    }
}

QPushButton* CDialogBase::NewStripButton(QWidget* strip, const QString& label, QPoint at, const QFont& font,
                                         bool autoDefault)
{
    auto* button = new QPushButton(label, strip);
    button->setGeometry(at.x(), at.y(), 80, 25);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(font);
    button->setStyleSheet(main_button_style);
    if (!autoDefault)
        button->setAutoDefault(false);
    return button;
}
