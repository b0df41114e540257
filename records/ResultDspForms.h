#pragma once

#include "core/KukuState.h"
#include "records/ResultTables.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;

namespace Ui {
class ResultDsp1Form;
class ResultDsp2Form;
}  // namespace Ui

namespace rentabo {

class Pacer;
class QuestionBoard;
class RecordWindowsHost;

// What the two result tables share: the grid drawing, the registration, the closing rules and
// the keys. Each table builds its ResultTable when it is created.
class ResultDspWindow : public QDialog {
    Q_OBJECT
public:
    const ResultTable& table() const { return m_table; }
    QTableWidget* grid() const { return m_grid; }
    QLabel* titlePanel() const { return m_title; }
    QLabel* verdictLabel() const { return m_verdict; }
    QPushButton* registerButton() const { return m_register; }
    QAction* registerAction() const { return m_registerAction; }
    QLineEdit* nameEdit() const { return m_name; }
    QPushButton* closeButton() const { return m_close; }
    QMenu* resultMenu() const { return m_resultMenu; }

    // "登録＆認定証発行(&R)" and "登録(&R)".
    void RegisterResult();

protected:
    ResultDspWindow(KukuState& state, QuestionBoard& board, RecordWindowsHost& host, Pacer& pacer,
                    QWidget* parent);
    // Called by each table once its form is set up.
    void bindWidgets(QWidget* client, QLabel* title, QLineEdit* name, QTableWidget* grid, QLabel* verdict,
                     QPushButton* registerButton, QPushButton* closeButton, QLabel* picture,
                     const QString& menuTitle, bool menuCloses);
    void showTable(const QColor& titleColour, int firstColumnWidth, int columnWidth, int rowHeight);

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

    KukuState& m_state;
    QuestionBoard& m_board;
    RecordWindowsHost& m_host;
    Pacer& m_pacer;
    ResultTable m_table;

private:
    QLabel* m_title = nullptr;
    QLineEdit* m_name = nullptr;
    QTableWidget* m_grid = nullptr;
    QLabel* m_verdict = nullptr;
    QPushButton* m_register = nullptr;
    QPushButton* m_close = nullptr;
    QAction* m_registerAction = nullptr;
    QMenu* m_resultMenu = nullptr;
    bool m_closing = false;
};

// Result table I, after a test of one row.
class TResultDsp1Form final : public ResultDspWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TResultDsp1Form)
public:
    TResultDsp1Form(KukuState& state, QuestionBoard& board, RecordWindowsHost& host, Pacer& pacer,
                    QWidget* parent = nullptr);
    ~TResultDsp1Form() override;

private:
    std::unique_ptr<Ui::ResultDsp1Form> m_ui;
};

// Result table II, after a test of a level or of all rows.
class TResultDsp2Form final : public ResultDspWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TResultDsp2Form)
public:
    TResultDsp2Form(KukuState& state, QuestionBoard& board, RecordWindowsHost& host, Pacer& pacer,
                    QWidget* parent = nullptr);
    ~TResultDsp2Form() override;

private:
    std::unique_ptr<Ui::ResultDsp2Form> m_ui;
};

// The main window's Kekka_Dsp and KekkaD_Dsp: the checks, then the table shown modally with the
// information memo hidden, and the memo restored to its setting afterwards.
void Kekka_Dsp(KukuState& state, QuestionBoard& board, RecordWindowsHost& host, Pacer& pacer,
               QWidget* parent);
void KekkaD_Dsp(KukuState& state, QuestionBoard& board, RecordWindowsHost& host, Pacer& pacer,
                QWidget* parent);

}  // namespace rentabo
