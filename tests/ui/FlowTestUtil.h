// Helpers of the scan and recovery flow tests: answering the modal dialogs the
// flows open, choosing folders in the folder dialog, the counts a scan of a
// backup should show (taken from the engine without a window), and driving a
// recovery to its end.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "engine/IphoneBackupFile.h"
#include "engine/IphoneRecoveryFactory.h"
#include "engine/ScanFetch.h"
#include "ui/CDetail.h"
#include "ui/DRUI.h"
#include "ui/SCANUI.h"

// Hands every modal dialog that comes up to `handler`, once per dialog, until
// the driver is destroyed. The handler answers it (or leaves it alone).
class ModalDriver : public QObject {
public:
    explicit ModalDriver(std::function<void(QWidget*)> handler) : m_handler(std::move(handler))
    {
        connect(&m_timer, &QTimer::timeout, this, [this]() {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == m_last)
                return;
            m_last = modal;
            m_handler(modal);
        });
        m_timer.start(20);
    }

private:
    std::function<void(QWidget*)> m_handler;
    QPointer<QWidget> m_last;
    QTimer m_timer;
};

// Accepts the folder dialog with `folder` chosen; an empty folder cancels it.
inline void AnswerFolderDialog(QFileDialog* dialog, const QString& folder)
{
    if (folder.isEmpty()) {
        dialog->reject();
        return;
    }
    // With nothing typed or selected, a folder dialog answers its current folder.
    dialog->setDirectory(folder);
    if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
        name->clear();
    static_cast<QDialog*>(dialog)->accept();
}

typedef std::array<unsigned long long, 11> CategoryCounts;

// What the engine finds in a plain backup, per category (tree order).
inline CategoryCounts EngineCounts(const QString& backupDir)
{
    CategoryCounts counts{};
    CIphoneBackupFile engine;
    __BACK_FILE_INFO__ info;
    QByteArray folder = backupDir.toUtf8();
    if (engine.GetBackFileInfo(folder.data(), &info) != 0)
        return counts;
    engine.Init(&info);
    std::unique_ptr<IPhoneRecoveryParse> parse(
        CIphoneRecoveryFactory::getInstance()->CreateRecoveryParse(&engine, RECOVERY_TYPE_LOCAL_BACKUP));
    SCAN_FETCH_DATA data;
    SCAN_FETCH_TARGETS targets = data.Targets();
    RunBackupScan(parse.get(), QString(), targets, nullptr);
    for (int c = 0; c < 11; ++c)
        counts[size_t(c)] = ScanCategoryCount(targets, c);
    return counts;
}

// What one recovery showed: the dialog's percent after each report, its
// result rows (name, status) and what the header said at the end.
struct RecoveryView {
    std::vector<int> percents;
    QList<QPair<QString, QString>> rows;
    QString title;
    QString cancelText;
    bool sawDialog = false;
};

// Answers the folder dialog with `folder` and, once the recovery dialog reads
// "Finished", takes what it shows and closes it; `whileOpen` may act first.
struct RecoveryDriver {
    RecoveryDriver(DRUI& w, const QString& folder, std::function<void(SCANUI*)> whileOpen = nullptr)
    {
        QObject::connect(&w, qOverload<int, int, int, QString>(&DRUI::RecoveryCallBack), &probe, [this](int fine, int coarse, int, QString) {
            view.percents.push_back(qMin(fine / 100 + coarse, 100));
        });
        modal = std::make_unique<ModalDriver>([this, folder, whileOpen](QWidget* m) {
            if (auto* files = qobject_cast<QFileDialog*>(m)) {
                AnswerFolderDialog(files, folder);
            } else if (auto* dialog = qobject_cast<SCANUI*>(m)) {
                view.sawDialog = true;
                auto* poll = new QTimer(&probe);
                QObject::connect(poll, &QTimer::timeout, [this, dialog, poll, whileOpen]() {
                    if (!dialog->m_btnCancel || dialog->m_btnCancel->text() != "Finished")
                        return;
                    poll->stop();
                    if (whileOpen)
                        whileOpen(dialog);
                    QTableWidget* table = dialog->m_detail.m_pTable;
                    for (int r = 0; r < table->rowCount(); ++r)
                        view.rows << qMakePair(table->item(r, 0)->text(), table->item(r, 1)->text());
                    view.title = dialog->m_detail.m_pLabelTitle->text();
                    view.cancelText = dialog->m_btnCancel->text();
                    dialog->m_btnCancel->click();
                });
                poll->start(20);
            }
        });
    }
    QObject probe;
    std::unique_ptr<ModalDriver> modal;
    RecoveryView view;
};
