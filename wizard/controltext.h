#pragma once

/*
** The 8-bit text of the wizard's controls. Each control keeps the bytes it
** was given and the text it showed for them, so a value the user does not
** touch goes back byte for byte, also when it is not valid UTF-8; text the
** user changed is encoded in the encoding its control showed. Memo texts
** hold CR LF between lines in the record and "\n" in the control. List and
** combo entries keep their bytes in the item's data.
*/

#include "project/wizardproject.h"

#include <QString>

#include <string>

class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;

namespace quillon::wizard {

void setControlBytes(QLineEdit *edit, const std::string &bytes);
std::string controlBytes(const QLineEdit *edit);

void setControlBytes(QPlainTextEdit *memo, const std::string &bytes);
std::string controlBytes(const QPlainTextEdit *memo);

// Combo boxes: entries with their bytes; the chosen entry's bytes.
void setComboEntries(QComboBox *combo, const StringList &entries);
void setComboChoice(QComboBox *combo, const std::string &bytes); // the only entry, chosen
std::string comboChoice(const QComboBox *combo);                  // empty when nothing is chosen
bool comboHasChoice(const QComboBox *combo);                      // a non-empty entry is chosen

// List boxes.
void setListEntries(QListWidget *list, const StringList &entries);
StringList listEntries(const QListWidget *list);
QListWidgetItem *appendEntry(QListWidget *list, const std::string &bytes);
// Inserts at the entry's place in a list sorted as the project's sorted lists are.
QListWidgetItem *insertSortedEntry(QListWidget *list, const std::string &bytes);
std::string entryBytes(const QListWidgetItem *item);

} // namespace quillon::wizard
