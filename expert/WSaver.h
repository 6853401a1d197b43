#pragma once

/*
** TWindowSaver: remembers where its owner form was and whether it stayed on
** top, from one run to the next, in the registry values "Left", "Top" and
** "OnTop" (DWORDs) of HKEY_CURRENT_USER "Software\Tarvik\WinSaver\" plus
** KeyName. The form's values are restored when the form has been built
** (loaded()) and written once, when the form is destroyed: the saver puts
** its own handler into the form's OnDestroy and calls the one it replaced
** afterwards. A blank KeyName means no registry access at all.
*/

#include <QObject>
#include <QString>
#include <QWidget>

#include <functional>

namespace quillon::platform {
class Registry;
}

namespace quillon::expert {

// A form with a destroy notification, run first thing in its destruction
// while its position and style are still those the user left.
class TForm : public QWidget
{
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject *sender)>;
    explicit TForm(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::Window);
    ~TForm() override;

    TNotifyEvent OnDestroy;

    bool stayOnTop() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }
    // Changes the style, keeping the form shown when it was.
    void setStayOnTop(bool on);
};

class TWindowSaver : public QObject
{
    Q_OBJECT
public:
    // owner must be a TForm (std::bad_cast otherwise). registry null: the
    // user's registry.
    explicit TWindowSaver(QObject *owner, const platform::Registry *registry = nullptr);
    // Gives the form back the handler it had, so a saver freed early leaves nothing dangling.
    ~TWindowSaver() override;

    QString KeyName;

    // The owner and its components have been built: restore the position.
    void loaded();

private:
    void formDestroy(QObject *sender);
    std::string keyPath() const;
    bool blankKey() const { return KeyName.trimmed().isEmpty(); }

    TForm &m_form;
    const platform::Registry *m_registry;
    TForm::TNotifyEvent m_previousDestroy;
};

} // namespace quillon::expert
