// A QDialog that the user drags with the left button and closes with the right.
// Shared by the progress, result, message and password dialogs.
#pragma once

#include <QDialog>
#include <QPoint>

#include "ui/Ui_Dialog.h"

class QMouseEvent;

class CDialogBase : public QDialog {
    Q_OBJECT
public:
    explicit CDialogBase(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

    QPoint m_dragPos;
    Ui_Dialog m_form;
};
