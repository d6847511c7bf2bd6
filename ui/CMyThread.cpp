#include "ui/CMyThread.h"

CMyThread::CMyThread(QObject* parent) : QThread(parent) {}

void CMyThread::SetFunc(WorkFunc func, void* param)
{
    m_pFunc = func;
    m_pParam = param;
}

void CMyThread::run()
{
    if (!m_pFunc)
        return;
    int result = 0;
    m_pFunc(m_pParam, result);
}
