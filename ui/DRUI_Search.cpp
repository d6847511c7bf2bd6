// Main window: the search field over the category tables. It hides the rows
// that do not hold the typed text; ticks and the selection summary stay.
#include "ui/DRUI.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QStackedLayout>
#include <QTableWidget>
#include <QWebEngineView>

#include "ui/PreviewPage.h"
#include "ui/PreviewScript.h"
#include "ui/ResultsSearch.h"
#include "ui/UiStyle.h"

namespace {

// The view property naming the conversation a chat preview shows.
const char* const kShownConversation = "qm_conversation";

template <class Map>
ResultsSearch::RowTexts ConversationTexts(QTableWidget* table, const Map& conversations)
{
    return [table, &conversations](int row) {
        const QTableWidgetItem* item = table->item(row, 0);
        const auto found = item ? conversations.find(item->data(Qt::UserRole).toUInt()) : conversations.end();
        return found == conversations.end() ? std::vector<const std::string*>()
                                            : TextSearch::ConversationTexts(found->second);
    };
}

template <class Map>
std::vector<int> MatchesInConversation(const QWebEngineView* view, const Map& conversations,
                                       const TextSearch::Query& query)
{
    bool ok = false;
    const unsigned key = view->property(kShownConversation).toUInt(&ok);
    const auto found = ok ? conversations.find(key) : conversations.end();
    return found == conversations.end() ? std::vector<int>() : TextSearch::MatchingMessages(found->second, query);
}

} // namespace

QWidget* DRUI::CreateSearchBar(QWidget* parent)
{
    auto* bar = new QWidget(parent);
    auto* row = new QHBoxLayout(bar);
    // Over the tables, not the tree; the recovery's date range on the right.
    row->setContentsMargins(256, 4, 4, 4);
    row->setSpacing(8);

    m_pSearchField = new QLineEdit(bar);
    m_pSearchField->setObjectName(QStringLiteral("searchField"));
    m_pSearchField->setPlaceholderText(QStringLiteral("Search"));
    m_pSearchField->setClearButtonEnabled(true);
    m_pSearchField->setFont(CalibriFont(10));
    m_pSearchField->setMaximumWidth(360);
    connect(m_pSearchField, &QLineEdit::textChanged, this, [this] { ApplySearch(false); });
    row->addWidget(m_pSearchField);
    row->addStretch(1);
    row->addWidget(CreateDateRangeControl(bar));
    return bar;
}

QTableWidget* DRUI::ShownTable() const
{
    // Each page of the category stack holds one table.
    QWidget* page = m_pTypeStack ? m_pTypeStack->currentWidget() : nullptr;
    return page ? page->findChild<QTableWidget*>() : nullptr;
}

void DRUI::ApplySearch(bool categoryShown)
{
    QTableWidget* table = ShownTable();
    if (!table)
        return;
    const TextSearch::Query query = TextSearch::MakeQuery(m_pSearchField ? m_pSearchField->text() : QString());
    ResultsSearch::RowTexts texts;
    if (table == m_pMessageTable)
        texts = ConversationTexts(table, m_mapMessage);
    else if (table == m_pWhatsappTable)
        texts = ConversationTexts(table, m_mapWhatsapp);
    ResultsSearch::Apply(table, query, texts);

    if (query.IsEmpty()) {
        if (!categoryShown)
            HighlightSearchInPreview();
        return;
    }
    // The preview follows a row that is still shown, else the first one found.
    // No hidden row stays current, where a key could tick it unseen.
    const int current = table->currentRow();
    if (current >= 0 && !table->isRowHidden(current)) {
        if (categoryShown)
            tableItemClick(table->item(current, 0));
        else
            HighlightSearchInPreview();
        return;
    }
    const int first = ResultsSearch::FirstShownRow(table);
    if (first >= 0) {
        table->selectRow(first);
    } else if (current >= 0) {
        table->clearSelection();
        table->setCurrentCell(-1, -1);
    }
}

void DRUI::HighlightSearchInPreview()
{
    const TextSearch::Query query = TextSearch::MakeQuery(m_pSearchField ? m_pSearchField->text() : QString());
    QWebEngineView* view = nullptr;
    std::vector<int> found;
    if (m_nPreviewType == CATEGORY_MESSAGE && m_pMessageView) {
        view = m_pMessageView;
        found = MatchesInConversation(view, m_mapMessage, query);
    } else if (m_nPreviewType == CATEGORY_WHATSAPP && m_pWhatsappView) {
        view = m_pWhatsappView;
        found = MatchesInConversation(view, m_mapWhatsapp, query);
    }
    if (view && !view->isHidden())
        PreviewPage::Run(view, PreviewScript::HighlightScript(found));
}
