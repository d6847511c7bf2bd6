// Main window: what narrows a recovery beyond the ticks. A date range over
// the results page (off until ticked) and the option to leave alone files
// whose identical copy a former recovery already put in the destination.
#include "ui/DRUI.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>

#include "ui/UiStyle.h"

namespace {

QDateEdit* NewDayEdit(QWidget* parent, const QString& name, const QDate& day)
{
    auto* edit = new QDateEdit(day, parent);
    edit->setObjectName(name);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setCalendarPopup(true);
    edit->setFont(CalibriFont(10));
    edit->setEnabled(false);
    return edit;
}

} // namespace

QWidget* DRUI::CreateDateRangeControl(QWidget* parent)
{
    auto* control = new QWidget(parent);
    auto* row = new QHBoxLayout(control);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);

    m_pDateRangeEnabled = new QCheckBox(QStringLiteral("Only from"), control);
    m_pDateRangeEnabled->setObjectName(QStringLiteral("dateRangeEnabled"));
    m_pDateRangeEnabled->setFont(CalibriFont(10));
    m_pDateRangeEnabled->setToolTip(QStringLiteral("Recover only items dated within these days"));
    const QDate today = QDate::currentDate();
    m_pDateFrom = NewDayEdit(control, QStringLiteral("dateFrom"), today.addYears(-1));
    m_pDateTo = NewDayEdit(control, QStringLiteral("dateTo"), today);
    auto* to = new QLabel(QStringLiteral("to"), control);
    to->setFont(CalibriFont(10));

    connect(m_pDateRangeEnabled, &QCheckBox::toggled, m_pDateFrom, &QWidget::setEnabled);
    connect(m_pDateRangeEnabled, &QCheckBox::toggled, m_pDateTo, &QWidget::setEnabled);

    row->addWidget(m_pDateRangeEnabled);
    row->addWidget(m_pDateFrom);
    row->addWidget(to);
    row->addWidget(m_pDateTo);
    return control;
}

QCheckBox* DRUI::CreateSkipOption(QWidget* parent)
{
    m_pSkipRecovered = new QCheckBox(QStringLiteral("Skip files already recovered"), parent);
    m_pSkipRecovered->setObjectName(QStringLiteral("skipRecovered"));
    m_pSkipRecovered->setFont(CalibriFont(10));
    m_pSkipRecovered->setToolTip(
        QStringLiteral("A file whose identical copy is already in the chosen folder is not written again"));
    return m_pSkipRecovered;
}

RecoveryDateRange DRUI::ChosenDateRange() const
{
    RecoveryDateRange range;
    if (m_pDateRangeEnabled && m_pDateRangeEnabled->isChecked() && m_pDateFrom && m_pDateTo) {
        // Ends given the wrong way round still mean the days between them;
        // bounding each edit by the other would block typing a year digit by digit.
        range.since = std::min(m_pDateFrom->date(), m_pDateTo->date());
        range.until = std::max(m_pDateFrom->date(), m_pDateTo->date());
    }
    return range;
}
