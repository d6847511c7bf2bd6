// A QDialog that the user drags with the left button and closes with the right.
// Shared by the progress, result, message and password dialogs.
#pragma once

#include <functional>

#include <QDialog>
#include <QPoint>
#include <QPushButton>

#include "ui/Ui_Dialog.h"

class QFont;
class QMouseEvent;

class CDialogBase : public QDialog {
    Q_OBJECT
public:
    explicit CDialogBase(QWidget* parent = nullptr);

    // Answers waiting for a dialog: when a dialog's exec() loop starts, the first
    // waiting answer whose `takes` accepts it is used up and `act` runs on the
    // dialog. Tests answer modal dialogs this way instead of watching for them
    // on a timer.
    static void AnswerNext(std::function<bool(CDialogBase*)> takes, std::function<void(CDialogBase*)> act);
    int exec() override;

protected:
    // A flat 80 x 25 button in the dialogs' style at `at` in the button strip
    // `strip`, calling `slot` when clicked. Without `autoDefault` Return does not
    // press it (the password field or the running work keeps the key).
    template <typename Dialog>
    QPushButton* AddStripButton(QWidget* strip, const QString& label, QPoint at, const QFont& font,
                                void (Dialog::*slot)(), bool autoDefault = true)
    {
        QPushButton* button = NewStripButton(strip, label, at, font, autoDefault);
        connect(button, &QPushButton::clicked, static_cast<Dialog*>(this), slot);
        return button;
    }

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

    QPoint m_dragPos;
    Ui_Dialog m_form;

private:
    QPushButton* NewStripButton(QWidget* strip, const QString& label, QPoint at, const QFont& font, bool autoDefault);
};
