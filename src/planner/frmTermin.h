#pragma once

#include <QMainWindow>

#include <memory>

class QCalendarWidget;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QStatusBar;
class QTextEdit;
class QToolBar;
class QTreeWidget;
class SingleInstance;

namespace moravel {
class TerminStore;
}

// The planner's main window: the appointment list above, the entry fields below.
// Controls are laid out by hand in twips, as the resize rule expects.
class frmTermin : public QMainWindow {
    Q_OBJECT
public:
    // instance decides whether this planner is the only one; a second one ends itself
    // at its first activation. nullptr: no single-instance check (tests).
    explicit frmTermin(SingleInstance* instance = nullptr, QWidget* parent = nullptr);
    ~frmTermin() override;

    // The start-up, run once before the window is first shown.
    void Form_Load();

    moravel::TerminStore* database() const { return dbTermin.get(); }

    // Controls, named as the rest of the program and the tests know them.
    QLabel* Image1 = nullptr;
    QToolBar* Toolbar3 = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QDateEdit* DTPicker1 = nullptr;
    QLineEdit* MaskEdBox1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text2 = nullptr;
    QTextEdit* RichTextBox1 = nullptr;
    QCalendarWidget* MonthView1 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Image2 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* statusPanel1 = nullptr;
    QLabel* statusPanel2 = nullptr;
    QAction* mnuEnde = nullptr;

    // Design size of the client area below the menu bar, in twips.
    static constexpr int kDesignInnerWidth = 11040;
    static constexpr int kDesignInnerHeight = 8400;

    // The resize rule for an inner area of the given size in twips.
    void applyLayout(double innerWidth, double innerHeight);

    // Panel 2 of the status bar: "1 Termin", "0 Termine", "12 Termine".
    void showCount();
    static QString countText(int rows);

    void EingabeFelderLeeren();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildControls();
    void buildEntryFields(QWidget* panel);
    void frmTerminEinstellen();
    void saveOnShutdown();
    void place(QWidget* widget, double left, double top, double width, double height);

    SingleInstance* m_instance;
    bool m_secondInstance = false;
    bool Ladevorgang = false;
    bool m_shutdownDone = false;
    std::unique_ptr<moravel::TerminStore> dbTermin;
    QWidget* m_client = nullptr;
    QWidget* m_entryPanel = nullptr;
};
