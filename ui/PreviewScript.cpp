#include "ui/PreviewScript.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "engine/MessageConversation.h"

namespace PreviewScript {

QString ClearScript()
{
    return QStringLiteral("document.body.innerHTML=''");
}

QString EnableScript()
{
    return QStringLiteral(
        "(function(){var c=document.getElementById(\"content\");"
        "if(c){c.removeAttribute(\"disabled\");}})()");
}

QString JsStringLiteral(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8 + 2);
    out += QLatin1Char('"');
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        switch (u) {
        case u'"': out += QLatin1String("\\\""); break;
        case u'\\': out += QLatin1String("\\\\"); break;
        case u'\n': out += QLatin1String("\\n"); break;
        case u'\r': out += QLatin1String("\\r"); break;
        case u'\t': out += QLatin1String("\\t"); break;
        default:
            // Angle brackets and ampersands as escapes keep "</script>" and
            // "<!--" from ever appearing literally; U+2028/2029 end a line in
            // older script parsers; control characters are not valid raw.
            if (u < 0x20 || u == u'<' || u == u'>' || u == u'&' || u == u'\'' || u == 0x2028
                || u == 0x2029 || u == 0x7f) {
                out += QStringLiteral("\\u%1").arg(unsigned(u), 4, 16, QLatin1Char('0'));
            } else {
                out += ch;
            }
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString HtmlText(const QString& text)
{
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    escaped.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    escaped.replace(QLatin1Char('\n'), QLatin1String("<br />"));
    return escaped;
}

QString HtmlText(const std::string& utf8)
{
    return HtmlText(QString::fromStdString(utf8));
}

QString BubbleScript(const QString& bubbleHtml, bool fromMe, const QString& senderHtml)
{
    const QString cls = fromMe ? QStringLiteral("triangle-right right")
                               : QStringLiteral("triangle-left left");
    const QString sender = senderHtml.isEmpty()
                               ? QString()
                               : QStringLiteral("<div class='sender %1'>%2</div>")
                                     .arg(fromMe ? QStringLiteral("sender-right") : QStringLiteral("sender-left"),
                                          senderHtml);
    const QString html = QStringLiteral("<div style='overflow:hidden;'>%1<p class='%2'>%3</p></div>")
                             .arg(sender, cls, bubbleHtml);
    // The start page keeps an element "content" for the bubbles; should a
    // page lack it, the bubble still lands in the body rather than vanish.
    return QStringLiteral("(function(){var c=document.getElementById(\"content\")||document.body;"
                          "c.insertAdjacentHTML(\"beforeend\",%1);})()")
        .arg(JsStringLiteral(html));
}

QString HighlightScript(const std::vector<int>& bubbles)
{
    QJsonArray positions;
    for (const int position : bubbles)
        positions.append(position);
    // The style goes into the head, which clearing the page for another
    // conversation leaves in place.
    return QStringLiteral(
               "(function(found){"
               "if(!document.getElementById(\"search-style\")){"
               "var s=document.createElement(\"style\");s.id=\"search-style\";"
               "s.textContent=\"p.search-match{box-shadow:inset 0 0 0 3px #f5b301;}\";"
               "(document.head||document.documentElement).appendChild(s);}"
               "var set=new Set(found);var b=document.querySelectorAll(\"p.triangle-left, p.triangle-right\");var first=null;"
               "for(var i=0;i<b.length;++i){var on=set.has(i);"
               "b[i].classList.toggle(\"search-match\",on);if(on&&!first){first=b[i];}}"
               "if(first){first.scrollIntoView({block:\"center\"});}"
               "return found.length;})(%1)")
        .arg(QString::fromUtf8(QJsonDocument(positions).toJson(QJsonDocument::Compact)));
}

QString MessageBubbleHtml(const __MESSAGE_INFO__& message)
{
    const QString who = message.nIsFromMe ? QStringLiteral("Me")
                                          : QString::fromStdString(message.strContactName);
    return HtmlText(message.strDate) + HtmlText(who) + QStringLiteral("<br />")
        + HtmlText(message.strText);
}

QString SenderHtml(const __MESSAGE_INFO__& message)
{
    if (!IsGroupMessage(message) || message.nIsFromMe)
        return QString();
    return HtmlText(MessageSenderName(message));
}

QString WhatsappBubbleHtml(const __WHATSAPP_MESSAGE__& message)
{
    return HtmlText(message.strText);
}

} // namespace PreviewScript
