#include "wizard/controltext.h"

#include "project/mapping.h"
#include "wizard/ansitext.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QVariant>

namespace quillon::wizard {

namespace {

constexpr char kBytes[] = "quillonBytes";       // the bytes last given to the control
constexpr char kShown[] = "quillonShown";       // the text they were shown as
constexpr char kEncoding[] = "quillonEncoding"; // TextEncoding of that text

constexpr int kBytesRole = Qt::UserRole + 1;

void remember(QObject *control, const std::string &bytes, const DecodedText &decoded, const QString &shown)
{
    control->setProperty(kBytes, QByteArray::fromStdString(bytes));
    control->setProperty(kShown, shown);
    control->setProperty(kEncoding, static_cast<int>(decoded.encoding));
}

// The bytes of text as the control holds it now.
std::string recall(const QObject *control, const QString &now)
{
    const QVariant shown = control->property(kShown);
    if (shown.isValid() && shown.toString() == now)
        return control->property(kBytes).toByteArray().toStdString();
    const auto encoding = static_cast<TextEncoding>(control->property(kEncoding).toInt());
    return encodeAnsi(now, encoding);
}

// Memo text: CR LF, lone CR and lone LF all break a line in the control.
QString toMemoText(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

QString itemText(const std::string &bytes)
{
    return displayText(bytes);
}

} // namespace

void setControlBytes(QLineEdit *edit, const std::string &bytes)
{
    const DecodedText decoded = decodeAnsi(bytes);
    remember(edit, bytes, decoded, decoded.text);
    edit->setText(decoded.text);
}

std::string controlBytes(const QLineEdit *edit)
{
    return recall(edit, edit->text());
}

void setControlBytes(QPlainTextEdit *memo, const std::string &bytes)
{
    const DecodedText decoded = decodeAnsi(bytes);
    const QString shown = toMemoText(decoded.text);
    remember(memo, bytes, decoded, shown);
    memo->setPlainText(shown);
}

std::string controlBytes(const QPlainTextEdit *memo)
{
    const QString now = memo->toPlainText();
    const QVariant shown = memo->property(kShown);
    if (shown.isValid() && shown.toString() == now)
        return memo->property(kBytes).toByteArray().toStdString();
    QString crlf = now;
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return encodeAnsi(crlf, static_cast<TextEncoding>(memo->property(kEncoding).toInt()));
}

void setComboEntries(QComboBox *combo, const StringList &entries)
{
    const QSignalBlocker block(combo);
    combo->clear();
    for (const std::string &e : entries)
        combo->addItem(itemText(e), QByteArray::fromStdString(e));
    combo->setCurrentIndex(-1);
}

void setComboChoice(QComboBox *combo, const std::string &bytes)
{
    setComboEntries(combo, {bytes});
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(0);
}

std::string comboChoice(const QComboBox *combo)
{
    const int i = combo->currentIndex();
    if (i < 0)
        return {};
    return combo->itemData(i).toByteArray().toStdString();
}

bool comboHasChoice(const QComboBox *combo)
{
    return !comboChoice(combo).empty();
}

void setListEntries(QListWidget *list, const StringList &entries)
{
    list->clear();
    for (const std::string &e : entries)
        appendEntry(list, e);
}

StringList listEntries(const QListWidget *list)
{
    StringList entries;
    entries.reserve(static_cast<std::size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i)
        entries.push_back(entryBytes(list->item(i)));
    return entries;
}

QListWidgetItem *appendEntry(QListWidget *list, const std::string &bytes)
{
    auto *item = new QListWidgetItem(itemText(bytes));
    item->setData(kBytesRole, QByteArray::fromStdString(bytes));
    list->addItem(item);
    return item;
}

QListWidgetItem *insertSortedEntry(QListWidget *list, const std::string &bytes)
{
    // After any equal entries, as the project file's sorted insert does.
    int lo = 0, hi = list->count();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (compareNoCase(bytes, entryBytes(list->item(mid))) < 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    const int at = lo;
    auto *item = new QListWidgetItem(itemText(bytes));
    item->setData(kBytesRole, QByteArray::fromStdString(bytes));
    list->insertItem(at, item);
    return item;
}

std::string entryBytes(const QListWidgetItem *item)
{
    const QVariant v = item->data(kBytesRole);
    if (v.isValid())
        return v.toByteArray().toStdString();
    return item->text().toUtf8().toStdString();
}

} // namespace quillon::wizard
