#pragma once

#include "CsvWriter.h"
#include "ExportJob.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class Checkpointer;
class Database;
class HistoryTab;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;

// "History": the stored snapshots and the operation log, each on its own
// tab, searched and deleted by a range of days and a meter address or
// serial number, and the snapshots by line when the store has several. It opens its own connection
// to the program folder's database and closes it when destroyed. Deletes run a batch at a time with
// a progress bar; closed while one runs, the window hides and goes once the
// delete is done.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    explicit HistoryWindow(const QString& programFolder, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // The tab's controls, for the tests and the benchmark.
    struct TabControls {
        QLineEdit* date = nullptr;
        QLineEdit* to = nullptr;
        QLineEdit* filter = nullptr;
        QComboBox* line = nullptr; // the snapshots' tab only; shown with more than one line
        QPushButton* search = nullptr;
        QPushButton* exportCsv = nullptr;
        QPushButton* trend = nullptr; // the snapshots' tab only
        QPushButton* deleteRecord = nullptr;
        QPushButton* deleteAll = nullptr;
        QProgressBar* progress = nullptr;
        QTableView* grid = nullptr;
    };
    static constexpr int SnapshotTab = 0;
    static constexpr int OperationLogTab = 1;

    const TabControls& controls(int tab) const { return m_controls.at(tab); }
    QTabWidget* tabs() const { return m_tabs; }
    HistoryTab& tab(int index) const { return *m_tab.at(index); }

    // The questions "Export CSV..." and "Trend" ask, replaceable so tests
    // and benchmarks answer them without a dialog.
    struct ExportTarget {
        QString path;
        CsvWriter::Separator separator = CsvWriter::Separator::Comma;
    };
    struct Questions {
        // Where to export to, the file name suggested; nullopt: cancelled.
        std::function<std::optional<ExportTarget>(QWidget* parent, const QString& suggested)>
            exportFile;
        // Which meter to chart, given the listed ones; nullopt: cancelled.
        std::function<std::optional<QString>(QWidget* parent, const QStringList& meters)> meter;
    };
    void setQuestions(Questions questions) { m_questions = std::move(questions); }

    // The tab's export while it runs, else null.
    ExportJob* runningExport(int tab) const { return m_exports.at(tab); }
    // The last message shown about an export or a trend; empty if none.
    QString lastNotice() const { return m_lastNotice; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeTab(int index);
    void applyColumns(int index);
    void search(int index);
    void exportCsv(int index);
    void exportFinished(int index, const ExportResult& result);
    void trend();
    void notify(const QString& text, bool problem);
    void deleteRecord(int index);
    void deleteAll(int index);
    void showDeleting(int index, bool deleting);
    void listLines();
    // The line chosen on the tab; nullopt for every line.
    std::optional<int> chosenLine(int index) const;

    QString m_folder;
    // Declared first so it outlives the tabs' models that read through it.
    std::unique_ptr<Database> m_database;
    std::unique_ptr<Checkpointer> m_checkpointer;
    std::array<std::unique_ptr<HistoryTab>, 2> m_tab;
    std::array<TabControls, 2> m_controls;
    QTabWidget* m_tabs = nullptr;
    QWidget* m_lineChoice = nullptr; // the line list and its caption
    bool m_closeWhenDone = false;
    Questions m_questions;
    std::array<QPointer<ExportJob>, 2> m_exports;
    QString m_exportFolder;
    QString m_lastNotice;
};
