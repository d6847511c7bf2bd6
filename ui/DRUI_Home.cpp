// Main window: construction, home page with the table of local backups,
// banners, window chrome and the web-page buttons.
#include "ui/DRUI.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMetaObject>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStackedLayout>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "engine/BackupLocations.h"
#include "support/Platform.h"
#include "support/RememberedFolders.h"
#include "support/WorkFolder.h"
#include "ui/CURLConfig.h"
#include "ui/UiStyle.h"

void Ui_DRUIClass::setupUi(QMainWindow* window)
{
    if (window->objectName().isEmpty())
        window->setObjectName("DRUIClass");
    window->resize(800, 600);
    centralWidget = new QWidget(window);
    centralWidget->setObjectName("centralWidget");
    window->setCentralWidget(centralWidget);
    retranslateUi(window);
    QMetaObject::connectSlotsByName(window);
}

void Ui_DRUIClass::retranslateUi(QMainWindow* window)
{
    window->setWindowTitle(QCoreApplication::translate("DRUIClass", "DRUI"));
}

DRUI::DRUI(QWidget* parent, Qt::WindowFlags flags) : QMainWindow(parent, flags)
{
    RegisterRecordMetaTypes();
    ui.setupUi(this);
    ui.centralWidget->setStyleSheet(centralWidget_style);
    setWindowTitle("Quillmere");
    setFixedSize(1000, 680);
    setWindowIcon(QIcon(":/image/logo.ico"));
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desk = screen->availableGeometry();
        move(desk.x() + (desk.width() - width()) / 2, desk.y() + (desk.height() - height()) / 2);
    }
}

DRUI::~DRUI()
{
    if (m_pProcess) {
        m_pProcess->kill();
        m_pProcess->waitForFinished(3000);
        delete m_pProcess;
        m_pProcess = nullptr;
    }
    ReleaseRecoveryParse();
    // Decrypted files are private data: do not leave them behind.
    ClearWorkDir();
}

void DRUI::Init()
{
    InitLayout1Widget();

    m_pMainStack = new QStackedLayout;
    m_pMainStack->addWidget(m_pHomeWidget);
    m_pMainStack->setCurrentWidget(m_pHomeWidget);
    auto* central = new QVBoxLayout(ui.centralWidget);
    central->setSpacing(0);
    central->setContentsMargins(0, 0, 0, 0);
    central->addLayout(m_pMainStack);

    // Private: the working folder receives decrypted backups.
    WorkFolder::Prepare();
}

QWidget* DRUI::CreateTopBand(QWidget* parent)
{
    auto* band = new QLabel(parent);
    band->setMinimumHeight(80);
    band->setStyleSheet(Layout1TopBackGroud_style);

    auto* logo = new QLabel(band);
    logo->setGeometry(10, 10, 64, 64);
    logo->setPixmap(QPixmap(":/image/logo-64.png"));

    auto* banner = new QLabel(band);
    banner->setGeometry(80, 20, 600, 60);
    // Top-aligned: the two lines then sit level with the logo instead of on the line below.
    banner->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    banner->setStyleSheet("color: white;");
    banner->setFont(CalibriFont(16, QFont::Bold));
    banner->setText("Quillmere\nExtractor all kinds of data from you iTunes backup file for free.");

    CreateButton(1, width() - 45, band);
    return band;
}

QWidget* DRUI::CreateTopLine(QWidget* parent)
{
    auto* line = new QLabel(parent);
    line->setFixedSize(width(), 2);
    line->setStyleSheet(LayoutLine_style);
    return line;
}

QWidget* DRUI::CreateBottomBand(QWidget* parent)
{
    auto* band = new QLabel(parent);
    band->setMinimumHeight(40);
    band->setStyleSheet(Layout1TopBackGroud_style);
    auto* version = new QLabel(Version_label, band);
    version->setGeometry(width() - 120, 20, 120, 30);
    // The label reaches below the 40-pixel band: keep its text in the visible part.
    version->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    version->setStyleSheet("color: white;");
    version->setFont(CalibriFont(10));
    return band;
}

QPushButton* DRUI::CreateButton(int type, int x, QWidget* parent)
{
    if (type != 1)
        return nullptr;
    auto* button = new QPushButton(parent);
    button->setFlat(true);
    const QPixmap image(":/image/help.png");
    button->setIcon(QIcon(image));
    connect(button, &QPushButton::clicked, this, &DRUI::btnHelpSlot);
    button->setGeometry(x, 20, 32, 20);
    button->setFont(CalibriFont(10, QFont::Bold));
    button->setCursor(Qt::PointingHandCursor);
    button->setToolTip("Help");
    const QSize size(int(image.width() / 1.3), int(image.height() / 1.3));
    button->resize(size);
    button->setIconSize(size);
    return button;
}

void DRUI::SetActionButtonEnabled(QPushButton* button, bool enabled)
{
    if (!button)
        return;
    button->setEnabled(enabled);
    button->setStyleSheet(enabled ? Layout2_main_button_style : main_button_style_no_file);
}

QRect DRUI::DialogGeometry(int divisor, int w, int h) const
{
    return QRect(x() + width() / divisor, y() + height() / divisor, w, h);
}

void DRUI::InitLayout1Widget()
{
    delete m_pHomeWidget;
    m_pHomeWidget = new QWidget(ui.centralWidget);
    const int w = width();

    auto* page = new QVBoxLayout(m_pHomeWidget);
    page->setSpacing(0);
    page->setContentsMargins(0, 0, 0, 0);

    // 1. Top band.
    auto* topRow = new QHBoxLayout;
    topRow->setSpacing(0);
    topRow->setContentsMargins(0, 0, 0, 0);
    topRow->addWidget(CreateTopBand(m_pHomeWidget));
    page->addLayout(topRow);

    // 2. The line, 3. space.
    page->addWidget(CreateTopLine(m_pHomeWidget));
    page->addSpacing(20);

    // 4. The table of local backups.
    auto* tableBlock = new QVBoxLayout;
    tableBlock->setSpacing(0);
    tableBlock->setContentsMargins(80, 0, 80, 0);
    auto* tableLabel = new QLabel("Select an iTunes Backup File of your iOS device below to scan.", m_pHomeWidget);
    tableLabel->setFont(CalibriFont(13, QFont::Bold));
    tableBlock->addWidget(tableLabel);
    tableBlock->addSpacing(5);
    CreateiTunesTable();
    tableBlock->addWidget(m_pBackupTable);
    page->addLayout(tableBlock);

    // 5. Space, 6. choosing another folder.
    page->addSpacing(20);
    auto* selectBlock = new QVBoxLayout;
    selectBlock->setSpacing(0);
    selectBlock->setContentsMargins(80, 0, 80, 0);
    auto* notListed = new QLabel(
        "If your iOS device is not listed here, it's probably because your iOS device has not been synchronized "
        "with iTunes.",
        m_pHomeWidget);
    notListed->setFont(CalibriFont(12));
    selectBlock->addWidget(notListed);
    auto* selectStrip = new QLabel(m_pHomeWidget);
    selectStrip->setMinimumHeight(50);
    auto* selectLabel =
        new QLabel("Select the iTunes Backup File from other folder to recover your data.", selectStrip);
    selectLabel->setGeometry(0, 5, 375, 44);
    selectLabel->setFont(CalibriFont(12));
    // Two lines at this font size (one would be cut), hence 44 high.
    selectLabel->setWordWrap(true);
    auto* selectButton = new QPushButton("Select", selectStrip);
    selectButton->setGeometry(380, 5, 100, 35);
    selectButton->setFont(CalibriFont(12, QFont::Bold));
    selectButton->setFlat(true);
    selectButton->setCursor(Qt::PointingHandCursor);
    selectButton->setStyleSheet(Layout2_main_button_style);
    connect(selectButton, &QPushButton::clicked, this, &DRUI::btnSlotSelect);
    selectBlock->addWidget(selectStrip);
    page->addLayout(selectBlock);

    // 7. Scan: disabled until a backup row is chosen.
    auto* scanStrip = new QLabel(m_pHomeWidget);
    scanStrip->setMinimumHeight(80);
    m_pBtnScan = new QPushButton("Scan", scanStrip);
    m_pBtnScan->setGeometry(w - 200, 0, 150, 50);
    m_pBtnScan->setFont(CalibriFont(18));
    m_pBtnScan->setFlat(true);
    m_pBtnScan->setCursor(Qt::PointingHandCursor);
    connect(m_pBtnScan, &QPushButton::clicked, this, &DRUI::btnSlotScan);
    SetActionButtonEnabled(m_pBtnScan, false);
    page->addWidget(scanStrip);

    // 8. Bottom band.
    page->addWidget(CreateBottomBand(m_pHomeWidget));
}

void DRUI::CreateiTunesTable()
{
    m_pBackupTable = new QTableWidget(m_pHomeWidget);
    m_pBackupTable->setColumnCount(3);
    m_pBackupTable->setHorizontalHeaderLabels({"Name", "Last Backup Data", "Serial Number"});
    m_pBackupTable->setColumnWidth(0, 200);
    m_pBackupTable->setColumnWidth(1, 300);
    m_pBackupTable->setColumnWidth(2, 200);
    QHeaderView* header = m_pBackupTable->horizontalHeader();
    header->setStretchLastSection(true);
    header->setFixedHeight(30);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setFont(CalibriFont(10));
    m_pBackupTable->verticalHeader()->setVisible(false);
    m_pBackupTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pBackupTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pBackupTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pBackupTable->setMouseTracking(true);
    m_pBackupTable->setMinimumSize(300, 225);
    m_pBackupTable->setIconSize(QSize(32, 32));
    connect(m_pBackupTable, &QTableWidget::cellClicked, this, &DRUI::iTunesTableItemPress);
    connect(m_pBackupTable, &QTableWidget::cellDoubleClicked, this, &DRUI::iTunesTableItemDoublePress);

    FillBackupTable();
}

void DRUI::FillBackupTable()
{
    if (!m_pBackupTable)
        return;
    // The backup root and a copied Mac home first, then the folders chosen
    // before, newest first.
    const QStringList folders = QmPlatform::BackupSearchFolders() + RememberedFolders::Load();
    const BackFileInfoVec backups = ListBackupsInAll(m_backupFile, folders);
    const int count = int(backups.size());
    m_pBackupTable->clearContents();
    m_pBackupTable->setRowCount(count);
    const QFont font = CalibriFont(10);
    for (int row = 0; row < count; ++row) {
        const __BACK_FILE_INFO__& info = backups[size_t(row)];
        const QVariant record = QVariant::fromValue(info);

        auto* name = new QTableWidgetItem(QIcon(info.bEncrypted ? ":/image/iPhoneLock.png" : ":/image/iPhone.png"),
                                          QString::fromStdString(info.strDisplayName));
        name->setFont(font);
        name->setData(Qt::UserRole, record);
        // Where it lies tells apart two backups of the same phone.
        name->setToolTip(QString::fromStdString(info.strBackupPath));
        auto* date = new QTableWidgetItem(QString::fromStdString(info.strBackupDate));
        date->setTextAlignment(Qt::AlignCenter);
        date->setFont(font);
        date->setData(Qt::UserRole, record);
        auto* serial = new QTableWidgetItem(QString::fromStdString(info.strSerialNumber));
        serial->setTextAlignment(Qt::AlignCenter);
        serial->setFont(font);
        serial->setData(Qt::UserRole, record);

        m_pBackupTable->setItem(row, 0, name);
        m_pBackupTable->setItem(row, 1, date);
        m_pBackupTable->setItem(row, 2, serial);
        m_pBackupTable->setRowHeight(row, 50);
    }
}

int DRUI::BackupTableRow(const QString& backupPath) const
{
    if (!m_pBackupTable)
        return -1;
    const QString wanted = QFileInfo(backupPath).canonicalFilePath();
    for (int row = 0; row < m_pBackupTable->rowCount(); ++row) {
        const QTableWidgetItem* item = m_pBackupTable->item(row, 0);
        if (!item)
            continue;
        const auto info = item->data(Qt::UserRole).value<__BACK_FILE_INFO__>();
        if (QFileInfo(QString::fromStdString(info.strBackupPath)).canonicalFilePath() == wanted)
            return row;
    }
    return -1;
}

void DRUI::iTunesTableItemPress(int row, int column)
{
    QTableWidgetItem* item = m_pBackupTable ? m_pBackupTable->item(row, column) : nullptr;
    if (!item)
        return;
    SetActionButtonEnabled(m_pBtnScan, true);
    m_curBackupInfo = item->data(Qt::UserRole).value<__BACK_FILE_INFO__>();
}

void DRUI::iTunesTableItemDoublePress(int row, int column)
{
    QTableWidgetItem* item = m_pBackupTable ? m_pBackupTable->item(row, column) : nullptr;
    if (!item)
        return;
    iTunesTableItemPress(row, column);
    btnSlotScan();
}

void DRUI::ClearWorkDir()
{
    WorkFolder::Clear(QmPlatform::WorkDir());
}

void DRUI::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragPos = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
    }
}

void DRUI::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::LeftButton) {
        move(event->globalPosition().toPoint() - m_dragPos);
        event->accept();
    }
}

void DRUI::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        return;
    QMainWindow::keyPressEvent(event);
}

void DRUI::closeEvent(QCloseEvent* event)
{
    // A worker still holds the containers: the progress dialog must end it first.
    if (m_pWorker) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

void DRUI::btnHelpSlot()
{
    btnOpenUrl(QString::fromStdString(CURLConfig::GetInstance()->GetUrl(CURLConfig::USER_GUIDE)));
}

void DRUI::btnSupportSlot()
{
    btnOpenUrl(QString::fromStdString(CURLConfig::GetInstance()->GetUrl(CURLConfig::SUPPORT)));
}

void DRUI::btnAboutSlot()
{
    btnOpenUrl(QString::fromStdString(CURLConfig::GetInstance()->GetUrl(CURLConfig::CONTACT)));
}

void DRUI::btnOpenUrl(QString url)
{
    QDesktopServices::openUrl(QUrl(url));
}
