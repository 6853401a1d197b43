#include "expert/WSaver.h"

#include "platform/registry.h"

#include <exception>
#include <optional>
#include <typeinfo>

namespace quillon::expert {

namespace {

constexpr char kSaverRoot[] = "Software\\Tarvik\\WinSaver\\";

TForm &ownerForm(QObject *owner)
{
    if (auto *form = qobject_cast<TForm *>(owner))
        return *form;
    throw std::bad_cast();
}

} // namespace

TForm::TForm(QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
{}

TForm::~TForm()
{
    if (OnDestroy)
        OnDestroy(this);
}

void TForm::setStayOnTop(bool on)
{
    if (stayOnTop() == on)
        return;
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (shown)
        show();
}

TWindowSaver::TWindowSaver(QObject *owner, const platform::Registry *registry)
    : QObject(owner)
    , m_form(ownerForm(owner))
    , m_registry(registry)
{
    setObjectName(QStringLiteral("WS"));
    m_previousDestroy = std::move(m_form.OnDestroy);
    m_form.OnDestroy = [this](QObject *sender) { formDestroy(sender); };
}

TWindowSaver::~TWindowSaver()
{
    m_form.OnDestroy = std::move(m_previousDestroy);
}

std::string TWindowSaver::keyPath() const
{
    return kSaverRoot + KeyName.toStdString();
}

void TWindowSaver::loaded()
{
    if (blankKey())
        return;
    const platform::Registry user;
    const platform::Registry &registry = m_registry ? *m_registry : user;
    std::optional<platform::RegistryKey> key;
    try {
        key = registry.openKey(platform::Hive::CurrentUser, keyPath());
    } catch (const std::exception &) {
        return; // an unreadable hive is a key that cannot be opened: the designed place stays
    }
    if (!key)
        return;
    // A value that is missing or not a DWORD keeps the form's current one.
    const auto left = key->readDword("Left");
    const auto top = key->readDword("Top");
    const auto onTop = key->readDword("OnTop");
    QPoint pos = m_form.pos();
    if (left)
        pos.setX(static_cast<int>(*left));
    if (top)
        pos.setY(static_cast<int>(*top));
    m_form.move(pos);
    if (onTop)
        m_form.setStayOnTop(*onTop != 0);
}

void TWindowSaver::formDestroy(QObject *sender)
{
    if (!blankKey()) {
        try {
            const platform::Registry user;
            const platform::Registry &registry = m_registry ? *m_registry : user;
            platform::RegistryKey key = registry.createKey(platform::Hive::CurrentUser, keyPath());
            key.writeDword("Left", static_cast<std::uint32_t>(m_form.x()));
            key.writeDword("Top", static_cast<std::uint32_t>(m_form.y()));
            key.writeDword("OnTop", m_form.stayOnTop() ? 1 : 0);
        } catch (const std::exception &) {
            // A key that cannot be written saves nothing, without a message.
        }
    }
    if (m_previousDestroy)
        m_previousDestroy(sender);
}

} // namespace quillon::expert
