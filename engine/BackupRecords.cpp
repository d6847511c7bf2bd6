#include "engine/BackupRecords.h"

#include <strings.h>

bool VectorCmp(const __MESSAGE_INFO__& a, __MESSAGE_INFO__ b)
{
    return strcasecmp(a.strDate.c_str(), b.strDate.c_str()) > 0;
}

bool VectorCmp(const __PERSON_CONTENT__& a, __PERSON_CONTENT__ b)
{
    return strcasecmp(a.strName.c_str(), b.strName.c_str()) < 0;
}

bool VectorCmp(const __CALLHISTORY__& a, __CALLHISTORY__ b)
{
    return strcasecmp(a.strDate.c_str(), b.strDate.c_str()) > 0;
}

bool VectorCmp(const __NOTES__& a, __NOTES__ b)
{
    return strcasecmp(a.strDate.c_str(), b.strDate.c_str()) > 0;
}

bool CamVectorCmp(const _IPHONE_CAMERA_INFO_& a, _IPHONE_CAMERA_INFO_ b)
{
    return strcasecmp(a.strFileName.c_str(), b.strFileName.c_str()) < 0;
}

bool AttVectorCmp(const _IPHONE_ATTACHMENTS_& a, _IPHONE_ATTACHMENTS_ b)
{
    return strcasecmp(a.strFileName.c_str(), b.strFileName.c_str()) < 0;
}

bool WhatsAppAttVectorCmp(const _WHATSAPP_ATTACHMENTS_& a, _WHATSAPP_ATTACHMENTS_ b)
{
    return strcasecmp(a.strFileName.c_str(), b.strFileName.c_str()) < 0;
}

bool AppVectorCmp(const _IPHONE_APP_FILE_INFO_& a, _IPHONE_APP_FILE_INFO_ b)
{
    return strcasecmp(a.strFileName.c_str(), b.strFileName.c_str()) < 0;
}

void RegisterRecordMetaTypes()
{
    qRegisterMetaType<_IPHONE_APP_FILE_INFO_>("IPHONE_APP_FILE_INFO");
    qRegisterMetaType<_IPHONE_CAMERA_INFO_>("IPHONE_CAMERA_INFO");
    qRegisterMetaType<_IPHONE_ATTACHMENTS_>("IPHONE_ATTACHMENTS");
    qRegisterMetaType<_WHATSAPP_ATTACHMENTS_>("WHATSAPP_ATTACHMENTS");
    qRegisterMetaType<__BACK_FILE_INFO__>("BACK_FILE_INFO");
    qRegisterMetaType<__PERSON_CONTENT__>("PERSON_CONTENT");
    qRegisterMetaType<__NOTES__>("NOTES");
    qRegisterMetaType<__CALLHISTORY__>("CALLHISTORY");
}
