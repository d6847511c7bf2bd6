#include "extractors/AddressBookTables.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

#include "engine/ContactText.h"
#include "extractors/ExtractorSql.h"

namespace {
const char kPersonQuery[] =
    "SELECT ROWID, First, Middle, Last, Organization, Prefix, Suffix, Nickname, JobTitle, Department, "
    "Note, Birthday FROM ABPerson";
const char kLookupPersonQuery[] = "SELECT ROWID, First, Middle, Last, Organization FROM ABPerson";

// Values in the phone's order (UID); an address's parts come from ABMultiValueEntry,
// one row per part. Older books lack the entry tables or the labels: the shorter
// forms read what there is.
const char* const kValueQueries[] = {
    "SELECT v.record_id, v.property, v.value, l.value, k.value, e.value, v.UID FROM ABMultiValue v "
    "LEFT JOIN ABMultiValueLabel l ON l.ROWID = v.label "
    "LEFT JOIN ABMultiValueEntry e ON e.parent_id = v.UID "
    "LEFT JOIN ABMultiValueEntryKey k ON k.ROWID = e.key "
    "WHERE v.property IN (3, 4, 5, 22) ORDER BY v.UID",
    "SELECT v.record_id, v.property, v.value, l.value, NULL, NULL, v.ROWID FROM ABMultiValue v "
    "LEFT JOIN ABMultiValueLabel l ON l.ROWID = v.label "
    "WHERE v.property IN (3, 4, 5, 22) ORDER BY v.ROWID",
    "SELECT record_id, property, value, NULL, NULL, NULL, ROWID FROM ABMultiValue "
    "WHERE property IN (3, 4, 5, 22) ORDER BY ROWID",
};
const char kLookupValueQuery[] =
    "SELECT record_id, property, value, NULL, NULL, NULL, ROWID FROM ABMultiValue WHERE property IN (3, 4) "
    "ORDER BY ROWID";

const char kNewFullTextQuery[] =
    "select c0First, c1Last,c6Organization,c16Phone,c17Email,c20URL,docid,c2Middle from "
    "ABPersonFullTextSearch_content";
const char kOldFullTextQuery[] =
    "select c0First, c1Last,c6Organization,c15Phone,c16Email,c19URL,docid,c2Middle from "
    "ABPersonFullTextSearch_content";

enum Property { kPhone = 3, kEmail = 4, kAddress = 5, kUrl = 22 };

using P = __PERSON_CONTENT__;

// A text field of the record and the column that holds it.
struct TextColumn {
    std::string P::*field;
    int column;
};

void ReadColumns(const QSqlQuery& query, P& person, std::initializer_list<TextColumn> columns)
{
    for (const TextColumn& c : columns)
        person.*(c.field) = ValueText(query.value(c.column));
}

// ABPerson.Birthday: seconds since 2001-01-01 UTC, as text; the year 1604 stands
// for a birthday without a year. Empty for anything else.
std::string BirthdayText(const QVariant& stored)
{
    bool ok = false;
    const double seconds = QString::fromStdString(ValueText(stored)).trimmed().toDouble(&ok);
    // About 3000 years either way: beyond that the value is not a date.
    if (!ok || !std::isfinite(seconds) || std::fabs(seconds) > 1e11)
        return std::string();
    const QDateTime epoch(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    const QDate date = epoch.addSecs(qint64(std::floor(seconds))).date();
    if (!date.isValid())
        return std::string();
    if (date.year() == 1604)
        return date.toString(QStringLiteral("--MM-dd")).toStdString();
    return date.toString(Qt::ISODate).toStdString();
}

void SetAddressPart(__CONTACT_ADDRESS__& address, const std::string& key, const std::string& value)
{
    if (key == "Street")
        address.strStreet = value;
    else if (key == "City")
        address.strCity = value;
    else if (key == "State")
        address.strState = value;
    else if (key == "ZIP")
        address.strZip = value;
    else if (key == "Country")
        address.strCountry = value;
    else if (key == "CountryCode")
        address.strCountryCode = value;
}

bool HasAnything(const __PERSON_CONTENT__& p)
{
    return !p.strGiven.empty() || !p.strMiddle.empty() || !p.strFamily.empty() || !p.strCompany.empty() ||
           !p.vecPhones.empty() || !p.vecEmails.empty() || !p.vecUrls.empty() || !p.vecAddresses.empty() ||
           !p.strNote.empty() || !p.strNickname.empty() || !p.strTitle.empty() || !p.strBirthday.empty() ||
           !p.strPrefix.empty() || !p.strSuffix.empty() || !p.strDepartment.empty() || !p.strPhone.empty() ||
           !p.strEmail.empty() || !p.strUrl.empty();
}

void FillDisplayTexts(__PERSON_CONTENT__& p)
{
    p.strName = ContactDisplayName(p.strGiven, p.strMiddle, p.strFamily, p.strCompany);
    p.strPhone = JoinContactValues(p.vecPhones);
    p.strEmail = JoinContactValues(p.vecEmails);
    p.strUrl = JoinContactValues(p.vecUrls);
}

bool ReadPeople(QSqlDatabase& db, AddressBookRead what, std::vector<__PERSON_CONTENT__>& found,
                std::unordered_map<qlonglong, size_t>& index, unsigned long long& maxRowId)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(what == AddressBookRead::Everything ? kPersonQuery : kLookupPersonQuery))
        return false;
    while (query.next()) {
        const qlonglong rowId = query.value(0).toLongLong();
        __PERSON_CONTENT__ p;
        ReadColumns(query, p, {{&P::strGiven, 1}, {&P::strMiddle, 2}, {&P::strFamily, 3}, {&P::strCompany, 4}});
        if (what == AddressBookRead::Everything) {
            ReadColumns(query, p, {{&P::strPrefix, 5}, {&P::strSuffix, 6}, {&P::strNickname, 7}, {&P::strTitle, 8},
                                   {&P::strDepartment, 9}, {&P::strNote, 10}});
            p.strBirthday = BirthdayText(query.value(11));
        }
        if (rowId > 0 && (unsigned long long)rowId > maxRowId)
            maxRowId = (unsigned long long)rowId;
        // A repeated ROWID (a damaged file) keeps its first record.
        if (index.emplace(rowId, found.size()).second)
            found.push_back(std::move(p));
    }
    return true;
}

bool ReadValues(QSqlDatabase& db, AddressBookRead what, std::vector<__PERSON_CONTENT__>& found,
                const std::unordered_map<qlonglong, size_t>& index)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const bool ok = what == AddressBookRead::LookupOnly
        ? query.exec(kLookupValueQuery)
        : ExecFirstOf(query, {kValueQueries[0], kValueQueries[1], kValueQueries[2]});
    if (!ok)
        return false;
    // The parts of one address arrive on consecutive rows of the same value.
    __CONTACT_ADDRESS__* address = nullptr;
    qlonglong addressUid = 0;
    while (query.next()) {
        const auto person = index.find(query.value(0).toLongLong());
        if (person == index.end())
            continue;
        __PERSON_CONTENT__& p = found[person->second];
        const int property = query.value(1).toInt();
        const std::string value = ValueText(query.value(2));
        const std::string label = ValueText(query.value(3));
        if (property == kAddress) {
            const qlonglong uid = query.value(6).toLongLong();
            if (!address || uid != addressUid) {
                p.vecAddresses.push_back(__CONTACT_ADDRESS__());
                address = &p.vecAddresses.back();
                addressUid = uid;
                address->strLabel = label;
                address->strStreet = value;  // older books may keep the whole address here
            }
            SetAddressPart(*address, ValueText(query.value(4)), ValueText(query.value(5)));
            continue;
        }
        address = nullptr;
        if (value.empty())
            continue;
        const __CONTACT_VALUE__ labelled{label, value};
        if (property == kPhone)
            p.vecPhones.push_back(labelled);
        else if (property == kEmail)
            p.vecEmails.push_back(labelled);
        else if (property == kUrl)
            p.vecUrls.push_back(labelled);
    }
    return true;
}
} // namespace

bool ReadAddressBookTables(QSqlDatabase& db, AddressBookRead what, std::vector<__PERSON_CONTENT__>& people,
                           unsigned long long& maxRowId)
{
    std::vector<__PERSON_CONTENT__> found;
    std::unordered_map<qlonglong, size_t> index;
    unsigned long long maxRead = 0;
    if (!ReadPeople(db, what, found, index, maxRead) || !ReadValues(db, what, found, index))
        return false;
    maxRowId = maxRead;
    people.reserve(people.size() + found.size());
    for (__PERSON_CONTENT__& p : found) {
        auto& addresses = p.vecAddresses;
        addresses.erase(std::remove_if(addresses.begin(), addresses.end(),
                                       [](const __CONTACT_ADDRESS__& a) { return ContactAddressText(a).empty(); }),
                        addresses.end());
        if (!HasAnything(p))
            continue;
        FillDisplayTexts(p);
        people.push_back(std::move(p));
    }
    return true;
}

bool ReadAddressBookFullText(QSqlDatabase& db, bool newNumberingFirst, std::vector<__PERSON_CONTENT__>& people,
                             unsigned long long& maxDocId)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const QString first = newNumberingFirst ? kNewFullTextQuery : kOldFullTextQuery;
    const QString second = newNumberingFirst ? kOldFullTextQuery : kNewFullTextQuery;
    if (!ExecEither(query, first, second))
        return false;
    while (query.next()) {
        __PERSON_CONTENT__ p;
        ReadColumns(query, p, {{&P::strGiven, 0}, {&P::strFamily, 1}, {&P::strCompany, 2}, {&P::strPhone, 3},
                               {&P::strEmail, 4}, {&P::strUrl, 5}, {&P::strMiddle, 7}});
        const qlonglong docId = query.value(6).toLongLong();
        if (docId > 0 && (unsigned long long)docId > maxDocId)
            maxDocId = (unsigned long long)docId;
        if (!HasAnything(p))
            continue;
        p.strName = ContactDisplayName(p.strGiven, p.strMiddle, p.strFamily, p.strCompany);
        people.push_back(std::move(p));
    }
    return true;
}
