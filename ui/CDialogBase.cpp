#include "ui/CDialogBase.h"

#include <vector>

#include <QMouseEvent>
#include <QTimer>

#include "ui/UiStyle.h"

namespace {
struct WaitingAnswer {
    std::function<bool(CDialogBase*)> takes;
    std::function<void(CDialogBase*)> act;
};

std::vector<WaitingAnswer>& WaitingAnswers()
{
    static std::vector<WaitingAnswer> s_answers;
    return s_answers;
}
} // namespace

CDialogBase::CDialogBase(QWidget* parent) : QDialog(parent)
{
    m_form.setupUi(this);
}

void CDialogBase::AnswerNext(std::function<bool(CDialogBase*)> takes, std::function<void(CDialogBase*)> act)
{
    WaitingAnswers().push_back({std::move(takes), std::move(act)});
}

int CDialogBase::exec()
{
    if (!WaitingAnswers().empty()) {
        // Once the dialog's own loop runs, so the answer meets it as the user would.
        QTimer::singleShot(0, this, [this]() {
            auto& answers = WaitingAnswers();
            for (auto it = answers.begin(); it != answers.end(); ++it) {
                if (it->takes(this)) {
                    // Used up before it acts: acting may open the next dialog.
                    const std::function<void(CDialogBase*)> act = std::move(it->act);
                    answers.erase(it);
                    act(this);
                    return;
                }
            }
        });
    }
    return QDialog::exec();
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
