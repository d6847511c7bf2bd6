#include "ui/CDialogBase.h"

#include <QMouseEvent>

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
