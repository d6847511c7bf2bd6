// The one worker thread: runs a plain function with a context pointer.
#pragma once

#include <QThread>

class CMyThread : public QThread {
    Q_OBJECT
public:
    typedef void (*WorkFunc)(void* context, int& result);

    explicit CMyThread(QObject* parent = nullptr);

    void SetFunc(WorkFunc func, void* param);

protected:
    void run() override;

private:
    WorkFunc m_pFunc = nullptr;
    void* m_pParam = nullptr;
};
