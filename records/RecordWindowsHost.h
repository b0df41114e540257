#pragma once

#include "records/RecordsHost.h"

#include <QDate>
#include <QDialog>

namespace rentabo {

// The main window as the record windows see it: RecordsHost plus how a window is shown modally
// and what today is. The main window implements it; tests replace runModal with a script that
// drives the window and closes it.
class RecordWindowsHost : public RecordsHost {
public:
    // Shows the window and returns when it has closed.
    virtual void runModal(QDialog& dialog) { dialog.exec(); }
    // The date a new certificate carries.
    virtual QDate today() const { return QDate::currentDate(); }
};

}  // namespace rentabo
