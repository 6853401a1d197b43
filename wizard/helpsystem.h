#pragma once

#include <QString>

#include <memory>
#include <stdexcept>

class QWidget;

namespace quillon::wizard {

class HelpError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class HelpSystem
{
public:
    virtual ~HelpSystem() = default;
    // Shows the topic of context number `context` from the compressed help file helpFile.
    virtual void showContext(const QString &helpFile, int context, QWidget *parent) = 0;
};

std::unique_ptr<HelpSystem> createQtHelpSystem();

} // namespace quillon::wizard
