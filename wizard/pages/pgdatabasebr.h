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
    QMenu *pmAddTable;
    QMenu *pmAddField;

    // Arrival by "Next >".
    void prepare();
    // Another alias was chosen.
    void resetForAlias();

signals:
    void previewRequested();

private:
    void sourceClick();
    void setQueryControlsEnabled(bool on);
    void replaceSql(const std::vector<std::string> &lines);
    void showPopup(QMenu *menu, QToolButton *at, const std::vector<std::string> &items);
    void sbAddTableClick();
    void sbAddFieldClick();
};

} // namespace quillon::wizard
