// Main window: the results page, its category tree and tables.
#include "ui/DRUI.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWebEngineView>

#include "ui/CategoryTree.h"
#include "ui/PreviewPage.h"
#include "ui/TickKeys.h"
#include "ui/UiStyle.h"

namespace {

// Room the chat view keeps beside its table once a conversation is shown.
constexpr int kChatViewMinWidth = 330;

QLabel* NewPicturePreview(QWidget* parent, int w, int h)
{
    auto* label = new QLabel(parent);
    label->setFixedSize(w, h);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    return label;
}

QLabel* NewTextDetail(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setMinimumSize(200, 300);
    label->setFont(CalibriFont(12));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMargin(6);
    label->hide();
    return label;
}

QWebEngineView* NewChatView(QWidget* parent)
{
    auto* view = new QWebEngineView(parent);
    view->setMinimumWidth(kChatViewMinWidth);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    PreviewPage::Setup(view);
    view->hide();
    return view;
}

// What every category table shares.
QTableWidget* NewCategoryTable(QWidget* parent, const QStringList& headers, const QList<int>& widths,
                               const QSize& minimum)
{
    auto* table = new QTableWidget(parent);
    table->setMouseTracking(true);
    table->setColumnCount(int(headers.size()));
    table->setHorizontalHeaderLabels(headers);
    for (int c = 0; c < widths.size(); ++c)
        table->setColumnWidth(c, widths[c]);
    QHeaderView* header = table->horizontalHeader();
    header->setFixedHeight(25);
    header->setFont(CalibriFont(10, QFont::Black));
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(true);
    header->setStyleSheet(QStringLiteral("QHeaderView{color:black;}"));
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(30);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setFont(CalibriFont(10));
    table->setWordWrap(false);
    table->setMinimumSize(minimum);
    RouteTickKeys(table);
    return table;
}

QWidget* NewPage(QBoxLayout* layout)
{
    auto* page = new QWidget;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    page->setLayout(layout);
    return page;
}

} // namespace

void DRUI::InitLayout3Widget()
{
    // A new page for every scan: the old tables, tree and previews go with it.
    m_pSearchField = nullptr;
    m_pDateRangeEnabled = nullptr;
    m_pDateFrom = nullptr;
    m_pDateTo = nullptr;
    m_pSkipRecovered = nullptr;
    delete m_pResultWidget;
    m_pResultWidget = nullptr;
    m_pCurTreeItem = nullptr;
    m_pCurAppItem = nullptr;

    m_pResultWidget = new QWidget(ui.centralWidget);
    const int w = width();

    auto* page = new QVBoxLayout(m_pResultWidget);
    page->setSpacing(0);
    page->setContentsMargins(0, 0, 0, 0);

    // 1. Top band and line, as on the home page.
    auto* topRow = new QHBoxLayout;
    topRow->setSpacing(0);
    topRow->setContentsMargins(0, 0, 0, 0);
    topRow->addWidget(CreateTopBand(m_pResultWidget));
    page->addLayout(topRow);
    page->addWidget(CreateTopLine(m_pResultWidget));
    page->addWidget(CreateSearchBar(m_pResultWidget));

    // 2. Category tree beside the category stack.
    auto* body = new QHBoxLayout;
    body->setContentsMargins(2, 0, 2, 0);
    body->setSpacing(0);
    CreateTree();
    body->addWidget(m_pTree);

    CreateCameraTable();
    CreatePhotoStreamTable();
    CreateAppPhotosTable();
    CreateAppVideosTable();
    CreateAppsTable();
    CreateMessageTable();
    CreateMessAttachTable();
    CreateContactsTable();
    CreateCallHistoryTable();
    CreateNotesTable();
    CreateWhatsappTable();
    CreateWhatsappMessAttachTable();

    m_pCameraPreview = NewPicturePreview(m_pResultWidget, 750, 300);
    m_pPhotoStreamPreview = NewPicturePreview(m_pResultWidget, 750, 300);
    m_pAppsInfo = new QLabel(m_pResultWidget);
    m_pAppsInfo->setFont(CalibriFont(10, QFont::Bold));
    m_pAppsInfo->setTextFormat(Qt::PlainText);
    m_pAppsPreview = NewPicturePreview(m_pResultWidget, 750, 200);
    m_pMessageView = NewChatView(m_pResultWidget);
    m_pContactsDetail = NewTextDetail(m_pResultWidget);
    m_pNotesDetail = NewTextDetail(m_pResultWidget);
    m_pMessAttachPreview = NewPicturePreview(m_pResultWidget, 720, 200);
    m_pWhatsappView = NewChatView(m_pResultWidget);
    m_pWhatsappAttachPreview = NewPicturePreview(m_pResultWidget, 720, 200);

    auto* stackHolder = new QWidget(m_pResultWidget);
    m_pTypeStack = new QStackedLayout(stackHolder);
    m_pTypeStack->setContentsMargins(0, 0, 0, 0);

    auto vertical = [](std::initializer_list<QWidget*> widgets) {
        auto* layout = new QVBoxLayout;
        for (QWidget* widget : widgets)
            layout->addWidget(widget, 0, widget->inherits("QLabel") ? Qt::AlignHCenter : Qt::Alignment());
        return NewPage(layout);
    };
    auto horizontal = [](std::initializer_list<QWidget*> widgets) {
        auto* layout = new QHBoxLayout;
        for (QWidget* widget : widgets)
            layout->addWidget(widget);
        return NewPage(layout);
    };

    // Stack order: the index is what the tree selects.
    m_pTypeStack->addWidget(vertical({m_pCameraPreview, m_pCameraTable}));                 // 0
    m_pTypeStack->addWidget(vertical({m_pPhotoStreamPreview, m_pPhotoStreamTable}));       // 1
    m_pTypeStack->addWidget(vertical({m_pAppPhotosTable}));                                // 2
    m_pTypeStack->addWidget(vertical({m_pAppVideosTable}));                                // 3
    m_pTypeStack->addWidget(vertical({m_pAppsInfo, m_pAppsPreview, m_pAppsTable}));        // 4
    m_pTypeStack->addWidget(horizontal({m_pMessageTable, m_pMessageView}));                // 5
    m_pTypeStack->addWidget(horizontal({m_pContactsTable, m_pContactsDetail}));            // 6
    m_pTypeStack->addWidget(vertical({m_pCallHistoryTable}));                              // 7
    m_pTypeStack->addWidget(horizontal({m_pNotesTable, m_pNotesDetail}));                  // 8
    m_pTypeStack->addWidget(vertical({m_pMessAttachPreview, m_pMessAttachTable}));         // 9
    m_pTypeStack->addWidget(horizontal({m_pWhatsappTable, m_pWhatsappView}));              // 10
    m_pTypeStack->addWidget(vertical({m_pWhatsappAttachPreview, m_pWhatsappAttachTable})); // 11
    m_pTypeStack->setCurrentIndex(0);
    body->addWidget(stackHolder, 1);
    page->addLayout(body);

    // 3. Stretch.
    page->addStretch(5);

    // 4. Action bar: Home, the selection summary, Recovery.
    auto* bar = new QLabel(m_pResultWidget);
    bar->setMinimumHeight(50);
    bar->setFixedWidth(w);

    auto* home = new QPushButton(QStringLiteral("Home"), bar);
    home->setGeometry(50, 5, 100, 40);
    home->setFont(CalibriFont(12, QFont::Bold));
    home->setFlat(true);
    home->setCursor(Qt::PointingHandCursor);
    home->setStyleSheet(Layout2_main_button_style);
    connect(home, &QPushButton::clicked, this, &DRUI::btnSlotBack);

    m_pBtnRecovery = new QPushButton(QStringLiteral("Recovery"), bar);
    m_pBtnRecovery->setGeometry(w - 150, 5, 100, 40);
    m_pBtnRecovery->setFont(CalibriFont(12, QFont::Bold));
    m_pBtnRecovery->setFlat(true);
    m_pBtnRecovery->setCursor(Qt::PointingHandCursor);
    connect(m_pBtnRecovery, &QPushButton::clicked, this, &DRUI::btnRecovery);
    SetActionButtonEnabled(m_pBtnRecovery, false);
    CreateSkipOption(bar)->setGeometry(w - 350, 15, 195, 20);

    m_pLabelSelect = new QLabel(QStringLiteral("Select 0 Bytes in 0 file"), bar);
    m_pLabelSelect->setGeometry(w / 2 - 100, 15, 250, 60);
    m_pLabelSelect->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pLabelSelect->setStyleSheet(QStringLiteral("color: black;"));
    m_pLabelSelect->setFont(CalibriFont(12));
    page->addWidget(bar);

    // 5. Bottom band.
    page->addWidget(CreateBottomBand(m_pResultWidget));
}

void DRUI::CreateTree()
{
    m_pTree = new QTreeWidget(m_pResultWidget);
    m_pTree->setColumnCount(1);
    m_pTree->setHeaderLabels({QString()});
    m_pTree->setStyleSheet(QStringLiteral("QTreeWidget::item{height:30px};"));
    m_pTree->setMinimumSize(250, 430);
    m_pTree->setItemsExpandable(true);
    m_pTree->setIconSize(QSize(20, 20));

    for (int category = 0; category < CategoryTree::kCategoryCount; ++category) {
        auto* node = new QTreeWidgetItem(m_pTree);
        node->setText(0, CategoryTree::Label(category, CategoryTree::Count(*this, category)));
        node->setIcon(0, QIcon(CategoryTree::IconPath(category)));
        node->setFont(0, CalibriFont(10));
        node->setCheckState(0, Qt::Unchecked);
    }
    m_pTree->expandAll();
    RouteTickKeys(m_pTree);

    connect(m_pTree, &QTreeWidget::itemClicked, this, &DRUI::treeItemClick);
    connect(m_pTree, &QTreeWidget::itemSelectionChanged, this, &DRUI::treeItemSelectChanged);
}

// The builders of the twelve tables: columns, minimum size and slots.

void DRUI::CreateCameraTable()
{
    m_pCameraTable = NewCategoryTable(m_pResultWidget, {"Name", "Size"}, {400, 300}, QSize(300, 180));
    connect(m_pCameraTable, &QTableWidget::cellClicked, this, &DRUI::cameraTableItemPress);
    connect(m_pCameraTable, &QTableWidget::itemSelectionChanged, this, &DRUI::cameraTableItemSelectChanged);
}

void DRUI::CreatePhotoStreamTable()
{
    m_pPhotoStreamTable = NewCategoryTable(m_pResultWidget, {"Name", "Size"}, {400, 300}, QSize(300, 225));
    connect(m_pPhotoStreamTable, &QTableWidget::cellClicked, this, &DRUI::photoStreamTableItemPress);
    connect(m_pPhotoStreamTable, &QTableWidget::itemSelectionChanged, this,
            &DRUI::photoStreamTableItemSelectChanged);
}

void DRUI::CreateAppPhotosTable()
{
    m_pAppPhotosTable = NewCategoryTable(m_pResultWidget, {"App Name", "Type"}, {400, 300}, QSize(300, 225));
    connect(m_pAppPhotosTable, &QTableWidget::cellClicked, this, &DRUI::appPhotosTableItemPress);
    connect(m_pAppPhotosTable, &QTableWidget::itemSelectionChanged, this, &DRUI::appPhotosTableItemSelectChanged);
    connect(m_pAppPhotosTable, &QTableWidget::cellDoubleClicked, this,
            &DRUI::appPhotosTableItemSelectDoubleClick);
}

void DRUI::CreateAppVideosTable()
{
    m_pAppVideosTable = NewCategoryTable(m_pResultWidget, {"App Name", "Type"}, {400, 300}, QSize(300, 225));
    connect(m_pAppVideosTable, &QTableWidget::cellClicked, this, &DRUI::appVideosTableItemPress);
    connect(m_pAppVideosTable, &QTableWidget::itemSelectionChanged, this, &DRUI::appVideosTableItemSelectChanged);
    connect(m_pAppVideosTable, &QTableWidget::cellDoubleClicked, this,
            &DRUI::appVideosTableItemSelectDoubleClick);
}

void DRUI::CreateAppsTable()
{
    m_pAppsTable = NewCategoryTable(m_pResultWidget, {"File Name", "Size"}, {400, 300}, QSize(300, 225));
    connect(m_pAppsTable, &QTableWidget::cellClicked, this, &DRUI::appsTableItemPress);
    connect(m_pAppsTable, &QTableWidget::itemSelectionChanged, this, &DRUI::appsTableItemSelectChanged);
}

void DRUI::CreateMessageTable()
{
    m_pMessageTable = NewCategoryTable(m_pResultWidget, {"User Name", "Phone Number", "Data", "Message"},
                                       {120, 150, 150, 280}, QSize(700, 225));
    connect(m_pMessageTable, &QTableWidget::cellClicked, this, &DRUI::messageTableItemPress);
    connect(m_pMessageTable, &QTableWidget::itemSelectionChanged, this, &DRUI::messageTableItemSelectChanged);
}

void DRUI::CreateMessAttachTable()
{
    m_pMessAttachTable = NewCategoryTable(m_pResultWidget, {"Name", "Size"}, {400, 300}, QSize(500, 225));
    connect(m_pMessAttachTable, &QTableWidget::cellClicked, this, &DRUI::messageAttachTableItemPress);
    connect(m_pMessAttachTable, &QTableWidget::itemSelectionChanged, this, &DRUI::messAttachTableItemSelectChanged);
}

void DRUI::CreateContactsTable()
{
    m_pContactsTable = NewCategoryTable(m_pResultWidget, {"Name", "Company", "Phone", "Email", "Home Page"},
                                        {150, 100, 150, 100, 200}, QSize(700, 225));
    connect(m_pContactsTable, &QTableWidget::cellClicked, this, &DRUI::contactsTableItemPress);
    connect(m_pContactsTable, &QTableWidget::itemSelectionChanged, this, &DRUI::contactsTableItemSelectChanged);
}

void DRUI::CreateCallHistoryTable()
{
    m_pCallHistoryTable = NewCategoryTable(m_pResultWidget, {"Name", "Photo", "Data", "Type", "Duration"},
                                           {150, 150, 200, 150, 200}, QSize(500, 225));
    connect(m_pCallHistoryTable, &QTableWidget::cellClicked, this, &DRUI::callHistoryTableItemPress);
    connect(m_pCallHistoryTable, &QTableWidget::itemSelectionChanged, this,
            &DRUI::callHistoryTableItemSelectChanged);
}

void DRUI::CreateNotesTable()
{
    m_pNotesTable = NewCategoryTable(m_pResultWidget, {"Title", "Date", "Note"}, {150, 150, 350}, QSize(650, 225));
    connect(m_pNotesTable, &QTableWidget::cellClicked, this, &DRUI::notesTableItemPress);
    connect(m_pNotesTable, &QTableWidget::itemSelectionChanged, this, &DRUI::notesTableItemSelectChanged);
}

void DRUI::CreateWhatsappTable()
{
    m_pWhatsappTable = NewCategoryTable(m_pResultWidget, {"Chats", "Name", "Phone"}, {300, 200, 200},
                                        QSize(700, 225));
    connect(m_pWhatsappTable, &QTableWidget::cellClicked, this, &DRUI::whatsappTableItemPress);
    connect(m_pWhatsappTable, &QTableWidget::itemSelectionChanged, this,
            &DRUI::whatsappMessageTableItemSelectChanged);
}

void DRUI::CreateWhatsappMessAttachTable()
{
    m_pWhatsappAttachTable = NewCategoryTable(m_pResultWidget, {"Name", "Size"}, {400, 300}, QSize(500, 225));
    connect(m_pWhatsappAttachTable, &QTableWidget::cellClicked, this, &DRUI::whatsappAttachTableItemPress);
    connect(m_pWhatsappAttachTable, &QTableWidget::itemSelectionChanged, this,
            &DRUI::whatsappMessAttachTableItemSelectChanged);
}
