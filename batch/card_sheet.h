#ifndef BATCH_CARD_SHEET_H
#define BATCH_CARD_SHEET_H

#include <optional>

#include <QString>

struct StoredCheck;

// The one-page sheet that goes with a card to repair: its number, when and through which port it
// was checked, the verdict, each failed check with the outputs written and the inputs expected and
// read, and the analog voltages. From the check read whole. As HTML, for the PDF and for a look at its text.
QString cardSheetHtml(const StoredCheck& check);

// Writes the sheet as a PDF at path, replacing it whole. Gives back what went wrong, if anything.
std::optional<QString> writeCardSheet(const StoredCheck& check, const QString& path);

#endif
