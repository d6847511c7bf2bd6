// Shared set-up of the window tests: private temporary folders for the backup
// root and the application-support folder, the image bundle, and sample backups.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

#include "ui/CDialogBase.h"

class DRUI;

class UiTestBase {
public:
    // Points QUILLMERE_BACKUP_ROOT and QUILLMERE_SUPPORT_DIR at fresh temporary
    // folders (the support folder is not created: the window must make it),
    // and the window's settings at a private one.
    void SetUpFolders();

    QString BackupRoot() const { return m_root->path() + "/"; }
    QString SupportDir() const { return m_support->path() + "/support/"; }

    // Writes a tiny sample backup under the backup root; its folder, or empty.
    QString AddBackup(quint64 seed, const QString& password = QString());

    // Runs `action` on the next dialog of type T once its exec() loop runs.
    template <typename T>
    static void WhenModal(std::function<void(T*)> action)
    {
        CDialogBase::AnswerNext([](CDialogBase* dialog) { return qobject_cast<T*>(dialog) != nullptr; },
                                [action](CDialogBase* dialog) { action(qobject_cast<T*>(dialog)); });
    }

    // What the scan does after its fetches: ticks the nodes that have records,
    // fills their tables and puts the counts in the labels.
    static void ShowScanResults(DRUI& window);

    // The widget of type W named `name` inside `parent`, or null.
    template <typename W>
    static W* Named(QObject* parent, const char* name)
    {
        return parent->findChild<W*>(QLatin1String(name));
    }

    // The push button with this text inside `parent`, or null.
    static QPushButton* FindButton(QWidget* parent, const QString& text);

private:
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<QTemporaryDir> m_support;
};
