#include "engine/TextSearch.h"

#include <cstring>

namespace TextSearch {

namespace {

// Between the texts of one entry, and before its digit forms: a query never
// holds either (control characters are dropped from it), so no match spans two.
constexpr char kTextBreak = '\n';
constexpr char kDigitsStart = '\x01';

bool IsAscii(const std::string& utf8)
{
    for (const char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// What may sit between the digits of a written phone number.
bool IsNumberPunctuation(char c)
{
    return c == ' ' || c == '+' || c == '-' || c == '(' || c == ')' || c == '.';
}

// Appends the digits of each written number of `text` whose digits are broken
// up by punctuation ("+1 (555) 010-0199" gives "15550100199"); numbers written
// in one piece are found as they are and add nothing.
void AppendNumberDigits(const std::string& text, std::string& out)
{
    size_t i = 0;
    while (i < text.size()) {
        if (!IsDigit(text[i]) && text[i] != '+' && text[i] != '(') {
            ++i;
            continue;
        }
        std::string digits;
        size_t lastDigitEnd = i;
        size_t j = i;
        for (; j < text.size() && (IsDigit(text[j]) || IsNumberPunctuation(text[j])); ++j) {
            if (IsDigit(text[j])) {
                digits += text[j];
                lastDigitEnd = j + 1;
            }
        }
        if (digits.size() >= 2 && digits.size() != lastDigitEnd - i) {
            out += kTextBreak;
            out += digits;
        }
        i = j > i ? j : i + 1;
    }
}

} // namespace

std::string Fold(const std::string& utf8)
{
    if (IsAscii(utf8)) {
        std::string out = utf8;
        for (char& c : out) {
            if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
        }
        return out;
    }
    return Fold(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

std::string Fold(const QString& text)
{
    return text.normalized(QString::NormalizationForm_C).toCaseFolded().toStdString();
}

Query MakeQuery(const QString& typed)
{
    QString clean;
    clean.reserve(typed.size());
    for (const QChar ch : typed) {
        if (ch.category() != QChar::Other_Control)
            clean += ch;
    }
    Query query;
    query.strFolded = Fold(clean.trimmed());
    bool numberLike = false;
    bool punctuated = false;
    for (const char c : query.strFolded) {
        if (IsDigit(c)) {
            numberLike = true;
        } else if (IsNumberPunctuation(c)) {
            punctuated = true;
        } else {
            numberLike = false;
            break;
        }
    }
    if (numberLike && punctuated) {
        for (const char c : query.strFolded) {
            if (IsDigit(c))
                query.strDigits += c;
        }
    }
    return query;
}

bool Contains(const std::string& folded, const Query& query)
{
    if (query.IsEmpty())
        return true;
    // memmem is far quicker than a character-wise find over long conversations.
    if (memmem(folded.data(), folded.size(), query.strFolded.data(), query.strFolded.size()))
        return true;
    return !query.strDigits.empty()
        && memmem(folded.data(), folded.size(), query.strDigits.data(), query.strDigits.size());
}

size_t Index::Add(const QStringList& cells, const std::vector<const std::string*>& texts)
{
    std::string entry;
    std::string digits;
    auto add = [&](const std::string& text) {
        if (text.empty())
            return;
        if (!entry.empty())
            entry += kTextBreak;
        entry += Fold(text);
        AppendNumberDigits(text, digits);
    };
    for (const QString& cell : cells)
        add(cell.toStdString());
    for (const std::string* text : texts) {
        if (text)
            add(*text);
    }
    if (!digits.empty()) {
        entry += kDigitsStart;
        entry += digits;
    }
    entry.shrink_to_fit();
    m_vecEntries.push_back(std::move(entry));
    return m_vecEntries.size() - 1;
}

bool Index::Matches(size_t entry, const Query& query) const
{
    return entry < m_vecEntries.size() && Contains(m_vecEntries[entry], query);
}

namespace {

template <class Message>
std::vector<const std::string*> TextsOf(const std::vector<Message>& messages)
{
    std::vector<const std::string*> texts;
    texts.reserve(messages.size());
    for (const Message& message : messages)
        texts.push_back(&message.strText);
    return texts;
}

template <class Message>
std::vector<int> Matching(const std::vector<Message>& messages, const Query& query)
{
    std::vector<int> found;
    if (query.IsEmpty())
        return found;
    for (size_t i = 0; i < messages.size(); ++i) {
        std::string folded = Fold(messages[i].strText);
        AppendNumberDigits(messages[i].strText, folded);
        if (Contains(folded, query))
            found.push_back(int(i));
    }
    return found;
}

} // namespace

std::vector<const std::string*> ConversationTexts(const std::vector<__MESSAGE_INFO__>& messages)
{
    return TextsOf(messages);
}

std::vector<const std::string*> ConversationTexts(const std::vector<__WHATSAPP_MESSAGE__>& messages)
{
    return TextsOf(messages);
}

std::vector<int> MatchingMessages(const std::vector<__MESSAGE_INFO__>& messages, const Query& query)
{
    return Matching(messages, query);
}

std::vector<int> MatchingMessages(const std::vector<__WHATSAPP_MESSAGE__>& messages, const Query& query)
{
    return Matching(messages, query);
}

} // namespace TextSearch
