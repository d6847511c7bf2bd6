// The main window: home page, results page, scan and recovery flows.
// One class, split into one source file per area:
//   DRUI_Home.cpp      construction, Init, home page, backup table, chrome, web buttons
//   DRUI_Report.cpp    progress signals, callbacks and work functions of the worker
//   DRUI_Scan.cpp      choosing a backup, password, decryptor, scan
//   DRUI_Results.cpp   results page, category tree and tables
//   DRUI_Tree.cpp      filling tables, ticking, selection maps, summary
//   DRUI_Preview.cpp   previews of the selected row
//   DRUI_Search.cpp    the search field over the category tables
//   DRUI_RecoveryOptions.cpp  the date range and skip option of a recovery
//   DRUI_Recovery.cpp  recovery to a folder
#pragma once

#include <atomic>
#include <map>
#include <string>
#include <vector>

#include <QMainWindow>
#include <QPoint>
#include <QString>

#include "engine/BackupRecords.h"
#include "engine/Categories.h"
#include "engine/IphoneBackupFile.h"
#include "export/RecoverySelection.h"

class QCheckBox;
class QCloseEvent;
class QDateEdit;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QProcess;
class QPushButton;
class QStackedLayout;
class QTableWidget;
class QTableWidgetItem;
class QTreeWidget;
class QTreeWidgetItem;
class QWebEngineView;
class QWidget;
class IPhoneRecoveryParse;
class CMyThread;

// Generated form of the main window (object name, initial size, central widget).
class Ui_DRUIClass {
public:
    QWidget* centralWidget = nullptr;
    void setupUi(QMainWindow* window);
    void retranslateUi(QMainWindow* window);
};

// Ticked rows of one table: row (or file index) -> size in bytes, or the row itself.
typedef std::map<unsigned, unsigned> SelectMap;
// Ticked files of App Photos / App Videos: application name -> its ticked files.
typedef std::map<QString, SelectMap> AppSelectMap;

// The window's state is public on purpose: the progress dialog, the worker's
// work functions and the tests read it, and the worker only touches it while
// the modal progress dialog keeps the user away.
class DRUI : public QMainWindow {
    Q_OBJECT

public:
    explicit DRUI(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~DRUI() override;

    // Builds the home page and the private folders. Called once after construction.
    void Init();

    // ---- Builders: home page (DRUI_Home.cpp) ----
    void InitLayout1Widget();
    void CreateiTunesTable();
    // (Re)fills the backup table: the backup root, a copied Mac home's backup
    // folder and the folders chosen before with Select.
    void FillBackupTable();
    // Row of the backup table showing this backup folder, or -1.
    int BackupTableRow(const QString& backupPath) const;
    // Type 1 is the help button of a banner, at (x, 20).
    QPushButton* CreateButton(int type, int x, QWidget* parent);
    // The dark top band with logo, banner text and help button; used by both pages.
    QWidget* CreateTopBand(QWidget* parent);
    // The 2-pixel line under the top band.
    QWidget* CreateTopLine(QWidget* parent);
    // The dark bottom band with the version label; used by both pages.
    QWidget* CreateBottomBand(QWidget* parent);
    // Enabled look (Layout2_main_button_style) or disabled look (main_button_style_no_file).
    static void SetActionButtonEnabled(QPushButton* button, bool enabled);
    // Places a modal child dialog at the window's position plus a fraction of its size.
    QRect DialogGeometry(int divisor, int width, int height) const;
    // Deletes what the decryptor left in the working folder.
    static void ClearWorkDir();

    // Deletes the recovery interface of the last scan (DRUI_Scan.cpp).
    void ReleaseRecoveryParse();
    // ---- Scan flow helpers (DRUI_Scan.cpp) ----
    // For an encrypted backup without an accepted password: counts its files
    // and asks for the password until the decryptor accepts it. False when the
    // user gave up (or the decryptor cannot run): then nothing is scanned.
    bool PrepareEncryptedBackup();
    // Runs the decryptor on the current backup; sets and returns m_nDecryptRet
    // (0 accepted / done, -110 wrong password, -1 not started, or a check
    // that ended without a verdict).
    int RunDecryptor(const QString& password, bool check);
    // Why the last decryptor run gave no verdict, for the user.
    QString DecryptorFailureText() const;
    // Labels, ticks and fills the node of a category after its fetch.
    void UpdateScanNode(int category);
    // A modal information box at a third of the window.
    void ShowInfoMessage(const QString& text);
    // ---- Recovery helpers (DRUI_Recovery.cpp) ----
    // Copies the ticked records and keys into m_recoverySelection (window's thread).
    void GatherRecoverySelection();

    // ---- Builders: results page (DRUI_Results.cpp) ----
    void InitLayout3Widget();
    void CreateTree();
    void CreateCameraTable();
    void CreatePhotoStreamTable();
    void CreateAppPhotosTable();
    void CreateAppVideosTable();
    void CreateAppsTable();
    void CreateMessageTable();
    void CreateMessAttachTable();
    void CreateContactsTable();
    void CreateCallHistoryTable();
    void CreateNotesTable();
    void CreateWhatsappTable();
    void CreateWhatsappMessAttachTable();

    // ---- Search (DRUI_Search.cpp) ----
    // The row above the tables: the search field and the date range.
    QWidget* CreateSearchBar(QWidget* parent);
    // The table of the page on show, or null.
    QTableWidget* ShownTable() const;
    // Filters the shown table by the search field. After a change of category
    // (`categoryShown`) the preview is redrawn for a row that is still shown.
    void ApplySearch(bool categoryShown);
    // Marks the bubbles of the previewed conversation that hold the search text.
    void HighlightSearchInPreview();

    // ---- Recovery options (DRUI_RecoveryOptions.cpp) ----
    // The compact from/to control of the results page, off until ticked.
    QWidget* CreateDateRangeControl(QWidget* parent);
    // "Skip files already recovered", off by default.
    QCheckBox* CreateSkipOption(QWidget* parent);
    // The chosen days, or an open range while the control is off.
    RecoveryDateRange ChosenDateRange() const;

    // ---- Tree and selection (DRUI_Tree.cpp) ----
    void UpdateTreeInfo(QTreeWidgetItem* node, int column, bool scanning);
    void SetTreeChildCheckState(QTreeWidgetItem* node, int state);
    void SetTreeParentCheckState(QTreeWidgetItem* node);

    // ---- Worker side (DRUI_Report.cpp) ----
    // Progress callback of the engine: 1 asks the engine to stop.
    static int ScanCallBack(void* context, int percent);
    int ScanCallBack(int percent);
    // One recovery report; 1 once the user has cancelled (nothing is emitted then).
    int RecoveryCallBack(int fine, int coarse, int failed, const wchar_t* name);
    // Work functions of CMyThread; the context is the window.
    static void _ScanProcess(void* context, int& result);
    static void _RecoveryProcess(void* context, int& result);
    // Runs func on a CMyThread behind a modal progress dialog of the given type
    // (1 scan, 4 recovery) and returns only after the worker has ended.
    // The run's stop and end flags are cleared here, before the worker starts.
    void RunWithProgress(int oprType, void (*func)(void*, int&));

    // ---- Recovery run (DRUI_Recovery.cpp), on the worker thread ----
    void RecoveryProcess();

public slots:
    // Scan flow (DRUI_Scan.cpp)
    void btnSlotSelect();
    void btnSlotScan();
    void btnSlotBack();
    void iTunesTableItemPress(int row, int column);
    void iTunesTableItemDoublePress(int row, int column);
    int Scan(wchar_t* folder, int& result);
    void CheckPasswordRecieve();
    void DecryptDataRecieve();

    // Tree and ticking (DRUI_Tree.cpp)
    void treeItemClick(QTreeWidgetItem* item, int column);
    void treeItemSelectChanged();
    void cameraTableItemPress(int row, int column);
    void photoStreamTableItemPress(int row, int column);
    void appPhotosTableItemPress(int row, int column);
    void appVideosTableItemPress(int row, int column);
    void appsTableItemPress(int row, int column);
    void messageTableItemPress(int row, int column);
    void messageAttachTableItemPress(int row, int column);
    void contactsTableItemPress(int row, int column);
    void callHistoryTableItemPress(int row, int column);
    void notesTableItemPress(int row, int column);
    void whatsappTableItemPress(int row, int column);
    void whatsappAttachTableItemPress(int row, int column);
    void tableItemPress(int row, int column, QTableWidget* pTable, std::map<unsigned, unsigned>& tableMap);
    // A press on a row of a category's table: makes the category current, ticks
    // or unticks the row and refreshes the selection summary.
    void PressCategoryRow(int category, int row, int column, QTableWidget* table, SelectMap& map);
    void tableAppsItemPress(int row, int column, QTableWidget* pTable, std::map<unsigned, unsigned>& tableMap,
                            QTableWidget* pAppParentTable);
    void RefreshAppFileNode();
    void RefreshSelectFileInfo();

    // Preview (DRUI_Preview.cpp)
    void tableItemClick(QTableWidgetItem* item);
    void cameraTableItemSelectChanged();
    void photoStreamTableItemSelectChanged();
    void appPhotosTableItemSelectChanged();
    void appVideosTableItemSelectChanged();
    void appsTableItemSelectChanged();
    void messageTableItemSelectChanged();
    void messAttachTableItemSelectChanged();
    void contactsTableItemSelectChanged();
    void callHistoryTableItemSelectChanged();
    void notesTableItemSelectChanged();
    void whatsappMessageTableItemSelectChanged();
    void whatsappMessAttachTableItemSelectChanged();
    void appPhotosTableItemSelectDoubleClick(int row, int column);
    void appVideosTableItemSelectDoubleClick(int row, int column);

    // Recovery (DRUI_Recovery.cpp)
    void btnRecovery();

    // Web pages (DRUI_Home.cpp)
    void btnHelpSlot();
    void btnSupportSlot();
    void btnAboutSlot();
    void btnOpenUrl(QString url);

signals:
    void ScanProcessCallBack(int percent);
    void RecoveryCallBack(int fine, int coarse, int failed, QString name);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

public:
    Ui_DRUIClass ui;

    // ---- Pages and layout ----
    QWidget* m_pHomeWidget = nullptr;
    QWidget* m_pResultWidget = nullptr;
    QStackedLayout* m_pMainStack = nullptr;
    QStackedLayout* m_pTypeStack = nullptr;
    QPushButton* m_pBtnScan = nullptr;
    QPushButton* m_pBtnRecovery = nullptr;
    QLabel* m_pLabelSelect = nullptr;
    QLineEdit* m_pSearchField = nullptr;
    QCheckBox* m_pDateRangeEnabled = nullptr;
    QDateEdit* m_pDateFrom = nullptr;
    QDateEdit* m_pDateTo = nullptr;
    QCheckBox* m_pSkipRecovered = nullptr;
    QTreeWidget* m_pTree = nullptr;
    QTreeWidgetItem* m_pCurTreeItem = nullptr;
    QTableWidgetItem* m_pCurAppItem = nullptr;

    QTableWidget* m_pBackupTable = nullptr;
    QTableWidget* m_pCameraTable = nullptr;
    QTableWidget* m_pPhotoStreamTable = nullptr;
    QTableWidget* m_pAppPhotosTable = nullptr;
    QTableWidget* m_pAppVideosTable = nullptr;
    QTableWidget* m_pAppsTable = nullptr;
    QTableWidget* m_pMessageTable = nullptr;
    QTableWidget* m_pMessAttachTable = nullptr;
    QTableWidget* m_pContactsTable = nullptr;
    QTableWidget* m_pCallHistoryTable = nullptr;
    QTableWidget* m_pNotesTable = nullptr;
    QTableWidget* m_pWhatsappTable = nullptr;
    QTableWidget* m_pWhatsappAttachTable = nullptr;

    // ---- Preview widgets ----
    QWebEngineView* m_pMessageView = nullptr;
    QWebEngineView* m_pWhatsappView = nullptr;
    QLabel* m_pCameraPreview = nullptr;
    QLabel* m_pPhotoStreamPreview = nullptr;
    QLabel* m_pAppsInfo = nullptr;
    QLabel* m_pAppsPreview = nullptr;
    QLabel* m_pContactsDetail = nullptr;
    QLabel* m_pNotesDetail = nullptr;
    QLabel* m_pMessAttachPreview = nullptr;
    QLabel* m_pWhatsappAttachPreview = nullptr;

    // Mouse offset while the window is dragged.
    QPoint m_dragPos;

    // ---- Backup and engine ----
    CIphoneBackupFile m_backupFile;
    __BACK_FILE_INFO__ m_curBackupInfo;
    IPhoneRecoveryParse* m_pRecoveryParse = nullptr;  // owned
    QProcess* m_pProcess = nullptr;                   // owned (also a Qt child)
    int m_nDecryptRet = 0;
    qint64 m_nBackupFileCount = 0;
    QString m_strPassword;
    QString m_strPasswordBackup;  // backup folder m_strPassword was accepted for
    QString m_strSelectDir;

    // ---- Scan results ----
    CameraInfoVec m_vecCamera;
    CameraInfoVec m_vecPhotoStream;
    AppFileInfoVec m_vecAppFile;
    AppFileMap m_mapAppPhotos;
    AppFileMap m_mapAppVideos;
    unsigned m_nAppPhotoCount = 0;
    unsigned m_nAppVideoCount = 0;
    AttachmentVec m_vecAttachments;
    // The engine keeps the conversations it reads: the window shows those same
    // maps instead of holding a second copy.
    MessageMap& m_mapMessage = m_backupFile.m_mapMessages;
    WhatsAppMessageMap& m_mapWhatsapp = m_backupFile.m_mapWhatsApp;
    PersonContentVec m_vecContacts;
    CallHistoryVec m_vecCallHistory;
    NotesVec m_vecNotes;
    WhatsAppAttachmentVec m_vecWhatsappAttach;

    // ---- Selection ----
    int m_nCurType = 0;
    int m_nPreviewType = 0;
    QString m_strCurApp;
    SelectMap m_cameraTableMap;
    SelectMap m_photoStreamTableMap;
    AppSelectMap m_appPhotosTableMap;
    AppSelectMap m_appVideosTableMap;
    SelectMap m_messageTableMap;
    SelectMap m_messAttachTableMap;
    SelectMap m_contactsTableMap;
    SelectMap m_callHistoryTableMap;
    SelectMap m_notesTableMap;
    SelectMap m_whatsappTableMap;
    SelectMap m_whatsappAttachTableMap;

    // ---- Run flags: stop is written by the dialog, end by the worker ----
    std::atomic<bool> m_bStopScan{false};
    std::atomic<bool> m_bScanEnded{false};
    // Last percent the engine's walks reported: they report once per manifest
    // entry, and the dialog only needs the changes.
    int m_nLastScanPercent = -1;
    std::atomic<bool> m_bStopSearch{false};
    std::atomic<bool> m_bSearchEnded{false};
    std::atomic<bool> m_bStopPreview{false};
    std::atomic<bool> m_bPreviewEnded{false};
    std::atomic<bool> m_bStopRecovery{false};
    std::atomic<bool> m_bRecoveryEnded{false};

    // The worker of the run in progress, null when none.
    CMyThread* m_pWorker = nullptr;

    // ---- Run data ----
    QString m_strSaveDir;
    RecoverySelection m_recoverySelection;  // what the running recovery exports
    QString m_strManifestPath;  // written by the worker before its end flag; empty if none
    QString m_strPreviewFile;  // nothing sets it; shown by the preview progress dialog
};
