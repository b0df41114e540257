#pragma once

#include "core/KukuState.h"
#include "records/Sikaku.h"

#include <QDialog>

#include <memory>

class QTableWidget;

namespace Ui {
class SikakuCheckForm;
}

namespace rentabo {

class Pacer;
class RecordWindowsHost;

// The qualification check table: the record as a grid of answer ways against rows and levels,
// the awards, and the certificates. It writes its grid back into recCheck when it closes.
class TSikakuCheckForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TSikakuCheckForm)
public:
    TSikakuCheckForm(KukuState& state, RecordWindowsHost& host, Pacer& pacer, QWidget* parent = nullptr);
    ~TSikakuCheckForm() override;

    // "資格チェック(&K)".
    void runCheck();
    // "段級認定書(&D)" for the selected grid row.
    void printRowCertificate();
    // "マスター位(&M)" and "免許皆伝書(&P)".
    void printMasterCertificate();
    void printLicenceCertificate();
    // "お助け(&E)" and "ヘルプ表示(&H)".
    void showHelp();
    // "表をクリア(&N)".
    void ClearRecord();

    const SikakuGrid& sikakuGrid() const { return m_grid; }
    int sikakuLevel() const { return m_verdict.sikakuLevel; }
    QTableWidget* grid() const;
    QString messageText() const;
    bool masterEnabled() const;
    bool menkyoEnabled() const;
    // Selects a row of the grid (1..14), as a click on it does.
    void selectRow(int r);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showGrid();
    void openCertificate(int certKind);

    KukuState& m_state;
    RecordWindowsHost& m_host;
    Pacer& m_pacer;
    std::unique_ptr<Ui::SikakuCheckForm> m_ui;
    SikakuGrid m_grid;
    SikakuVerdict m_verdict;
};

// Shows the qualification table modally. The menu item "資格チェック表 (&K)" and result table I hide
// the information memo while it is open (hideMemo); result table II does not.
// `row`: the row of the table to select when it opens (a test just registered), else the first.
void ShowSikakuCheck(KukuState& state, RecordWindowsHost& host, Pacer& pacer, QWidget* parent, bool hideMemo,
                     int row = 1);

}  // namespace rentabo
