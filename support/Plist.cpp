#include "support/Plist.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include <QDateTime>
#include <QVariantList>
#include <QVariantMap>

#include <plist/plist.h>

namespace {

// libplist counts dates from 2001-01-01 00:00:00 UTC.
const qint64 kAppleEpoch = 978307200;
// Hostile files can nest without end; real ones are shallow.
const int kMaxDepth = 256;

// libplist 2.2 asserts (aborts the process) when a string or key holds a NUL
// byte, which a hostile binary plist can carry. Its nodes keep text as a pointer
// plus a length, so read those directly; the layout is checked once on a probe
// node and the library's accessor is used only when the text has no NUL.
struct PlistNodeData {
    union {
        char boolval;
        uint64_t intval;
        double realval;
        char* strval;
    };
    uint64_t length;
    plist_type type;
};
struct PlistNode {
    void* next;
    void* prev;
    uint64_t counts;
    void* data;
};

const PlistNodeData* nodeData(plist_t node)
{
    static const bool s_bLayoutKnown = [] {
        plist_t probe = plist_new_string("probe");
        const auto* d = static_cast<const PlistNodeData*>(static_cast<PlistNode*>(probe)->data);
        bool ok = d && d->type == PLIST_STRING && d->length == 5 && d->strval && memcmp(d->strval, "probe", 5) == 0;
        plist_free(probe);
        return ok;
    }();
    if (!s_bLayoutKnown || !node)
        return nullptr;
    return static_cast<const PlistNodeData*>(static_cast<PlistNode*>(node)->data);
}

// Text of a string or key node, NUL bytes and all; empty when unreadable.
QString nodeText(plist_t node)
{
    const PlistNodeData* d = nodeData(node);
    if (d && d->strval)
        return QString::fromUtf8(d->strval, static_cast<qsizetype>(d->length));
    if (d || !node)
        return QString();
    // Unknown layout: the library's accessor, which is safe for NUL-free text.
    char* s = nullptr;
    if (plist_get_node_type(node) == PLIST_KEY)
        plist_get_key_val(node, &s);
    else
        plist_get_string_val(node, &s);
    QString text = s ? QString::fromUtf8(s) : QString();
    free(s);
    return text;
}

// Hands each value of a dictionary, in order, to `visit`.
template <class Visit>
void ForEachDictValue(plist_t dict, Visit visit)
{
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(dict, &it);
    for (;;) {
        plist_t val = nullptr;
        // No key pointer: the library's key accessor aborts on a NUL byte.
        plist_dict_next_item(dict, it, nullptr, &val);
        if (!val)
            break;
        visit(val);
    }
    free(it);
}

QVariant toVariant(plist_t node, int depth)
{
    if (!node || depth > kMaxDepth)
        return QVariant();
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return QVariant(b != 0);
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        // Negative integers arrive as their two's-complement bit pattern.
        return QVariant(static_cast<qlonglong>(v));
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return QVariant(d);
    }
    case PLIST_STRING: {
        return QVariant(nodeText(node));
    }
    case PLIST_DATA: {
        char* d = nullptr;
        uint64_t len = 0;
        plist_get_data_val(node, &d, &len);
        QByteArray bytes(d ? d : "", d ? static_cast<qsizetype>(len) : 0);
        free(d);
        return QVariant(bytes);
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        qint64 ms = (static_cast<qint64>(sec) + kAppleEpoch) * 1000 + usec / 1000;
        return QVariant(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC));
    }
    case PLIST_UID: {
        uint64_t v = 0;
        plist_get_uid_val(node, &v);
        return PlistUid(static_cast<qlonglong>(v));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        uint32_t n = plist_array_get_size(node);
        list.reserve(static_cast<qsizetype>(n));
        for (uint32_t i = 0; i < n; ++i)
            list.append(toVariant(plist_array_get_item(node, i), depth + 1));
        return list;
    }
    case PLIST_DICT: {
        QVariantMap map;
        ForEachDictValue(
            node, [&](plist_t val) { map.insert(nodeText(plist_dict_item_get_key(val)), toVariant(val, depth + 1)); });
        return map;
    }
    default:
        return QVariant();
    }
}

plist_t fromVariant(const QVariant& v, int depth)
{
    if (depth > kMaxDepth)
        return plist_new_string("");
    switch (v.typeId()) {
    case QMetaType::Bool:
        return plist_new_bool(v.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
        return plist_new_uint(static_cast<uint64_t>(v.toLongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(v.toDouble());
    case QMetaType::QByteArray: {
        QByteArray b = v.toByteArray();
        return plist_new_data(b.constData(), static_cast<uint64_t>(b.size()));
    }
    case QMetaType::QDateTime: {
        qint64 ms = v.toDateTime().toMSecsSinceEpoch() - kAppleEpoch * 1000;
        qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        qint64 usec = (ms - sec * 1000) * 1000;
        return plist_new_date(static_cast<int32_t>(sec), static_cast<int32_t>(usec));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        plist_t arr = plist_new_array();
        for (const QVariant& item : v.toList())
            plist_array_append_item(arr, fromVariant(item, depth + 1));
        return arr;
    }
    case QMetaType::QVariantMap: {
        qlonglong uid = 0;
        if (IsPlistUid(v, &uid))
            return plist_new_uid(static_cast<uint64_t>(uid));
        plist_t dict = plist_new_dict();
        const QVariantMap map = v.toMap();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            plist_dict_set_item(dict, it.key().toUtf8().constData(), fromVariant(it.value(), depth + 1));
        return dict;
    }
    default:
        return plist_new_string(v.toString().toUtf8().constData());
    }
}

// The library's tree of `data`, binary or XML (the caller has checked its size);
// null when unreadable.
plist_t ParseTree(const QByteArray& data)
{
    plist_t root = nullptr;
    const uint32_t len = static_cast<uint32_t>(data.size());
    if (data.startsWith("bplist00"))
        plist_from_bin(data.constData(), len, &root);
    else
        plist_from_xml(data.constData(), len, &root);
    return root;
}

} // namespace

QVariant PlistUid(qlonglong n)
{
    QVariantMap m;
    m.insert(QStringLiteral("CF$UID"), n);
    return m;
}

bool IsPlistUid(const QVariant& v, qlonglong* n)
{
    if (v.typeId() != QMetaType::QVariantMap)
        return false;
    const QVariantMap m = v.toMap();
    if (m.size() != 1 || !m.contains(QStringLiteral("CF$UID")))
        return false;
    if (n)
        *n = m.value(QStringLiteral("CF$UID")).toLongLong();
    return true;
}

QVariant ParsePlist(const QByteArray& data, QString* error)
{
    if (data.isEmpty() || data.size() > std::numeric_limits<int32_t>::max()) {
        if (error)
            *error = QStringLiteral("empty or oversized property list");
        return QVariant();
    }
    plist_t root = ParseTree(data);
    if (!root) {
        if (error)
            *error = QStringLiteral("not a readable property list");
        return QVariant();
    }
    QVariant v = toVariant(root, 0);
    plist_free(root);
    if (!v.isValid() && error)
        *error = QStringLiteral("property list holds no usable value");
    return v;
}

QByteArray WritePlist(const QVariant& value, bool binary)
{
    plist_t root = fromVariant(value, 0);
    char* out = nullptr; // plist_to_bin writes nothing unless this starts as NULL
    uint32_t len = 0;
    if (binary)
        plist_to_bin(root, &out, &len);
    else
        plist_to_xml(root, &out, &len);
    QByteArray bytes(out ? out : "", out ? static_cast<qsizetype>(len) : 0);
    free(out);
    plist_free(root);
    return bytes;
}

CPlistDocument::CPlistDocument(const QByteArray& data)
{
    if (data.isEmpty() || data.size() > std::numeric_limits<int32_t>::max())
        return;
    m_pRoot = ParseTree(data);
}

CPlistDocument::~CPlistDocument()
{
    if (m_pRoot)
        plist_free(static_cast<plist_t>(m_pRoot));
}

bool CPlistDocument::IsDict(Node node)
{
    return node && plist_get_node_type(const_cast<plist_t>(node)) == PLIST_DICT;
}

CPlistDocument::Node CPlistDocument::DictValue(Node dict, const char* key)
{
    if (!IsDict(dict))
        return nullptr;
    plist_t node = const_cast<plist_t>(dict);
    const std::size_t keyLen = std::strlen(key);
    plist_t found = nullptr;
    ForEachDictValue(node, [&](plist_t val) {
        const plist_t keyNode = plist_dict_item_get_key(val);
        const PlistNodeData* d = nodeData(keyNode);
        const bool same = d && d->strval ? d->length == keyLen && std::memcmp(d->strval, key, keyLen) == 0
                                         : nodeText(keyNode) == QString::fromUtf8(key);
        if (same)
            found = val;
    });
    return found;
}

qlonglong CPlistDocument::ArraySize(Node array)
{
    if (!array || plist_get_node_type(const_cast<plist_t>(array)) != PLIST_ARRAY)
        return 0;
    return static_cast<qlonglong>(plist_array_get_size(const_cast<plist_t>(array)));
}

CPlistDocument::Node CPlistDocument::ArrayItem(Node array, qlonglong index)
{
    if (index < 0 || index >= ArraySize(array))
        return nullptr;
    return plist_array_get_item(const_cast<plist_t>(array), static_cast<uint32_t>(index));
}

QVariant CPlistDocument::Value(Node node, int depth)
{
    return toVariant(const_cast<plist_t>(node), depth);
}
