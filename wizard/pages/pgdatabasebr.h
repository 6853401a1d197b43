#pragma once

#include "wizard/pages/wizardpage.h"

#include <vector>

class QMenu;

namespace quillon::wizard {

class DropDownList;

// Browse mode: a whole table, or an SQL query with helpers to write it.
class PgDatabaseBR : public WizardPage
{
    Q_OBJECT
public:
    PgDatabaseBR(WizardContext &context, QWidget *parent);

    // The SQL text, its bytes as the project file holds them.
    std::string sql() const;
    // The stored browse table as the only choice.
    void showLoadedTable(const std::string &table);
    // Another alias was chosen.
    void resetForAlias();

    void loadSettings(const WizardProject &record, LoadStage stage) override;
    void saveSettings(WizardProject &record) const override;
    void addFacts(NavigationFacts &facts) const override;
    void initializePage(const WizardProject &record) override;

signals:
    void previewRequested();

private:
    QRadioButton *rbTable;
    DropDownList *cbBRTable;
    QRadioButton *rbQuery;
    QPlainTextEdit *moSQL;
    QToolButton *sbAddTable;
    QToolButton *sbAddField;
    QToolButton *sbTrashSQL;
    QToolButton *sbExecSQL;
    QToolButton *sbSelSkel;
    QToolButton *sbInsSkel;
    QToolButton *sbUpdSkel;
    QToolButton *sbAddParam;
    QMenu *pmAddTable;
    QMenu *pmAddField;
    QMenu *pmAddParam;
    StringList m_requestValues; // the project's request values when the page was entered

    void sourceClick();
    void setQueryControlsEnabled(bool on);
    void replaceSql(const std::vector<std::string> &lines);
    void showPopup(QMenu *menu, QToolButton *at, const std::vector<std::string> &items);
    void sbAddTableClick();
    void sbAddFieldClick();
    void sbAddParamClick();
};

} // namespace quillon::wizard
