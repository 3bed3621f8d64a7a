#pragma once

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <optional>
#include <vector>

class QCalendarWidget;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QStatusBar;
class QTextEdit;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class SingleInstance;
class frmTerminGrafik;

namespace listrows {
struct ListRow;
}

namespace moravel {
class TerminStore;
struct Appointment;
} // namespace moravel

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
    QLabel* LabelTerminAm = nullptr;
    QLabel* LabelUm = nullptr;
    QAction* mnuEnde = nullptr;
    QAction* mnuTerminStarten = nullptr;
    QAction* mnuFeiertag = nullptr;
    QAction* mnuHilfe = nullptr;
    QAction* mnuInternet = nullptr;
    QAction* mnuInfo = nullptr;
    // Toolbar3's eleven positions, separators included; position 1 is index 0.
    QList<QAction*> toolbarButtons;
    QAction* AlteTermine = nullptr; // toolbar button 7: the past view while pressed
    std::vector<QIcon> ImageList1;  // list icons, index 0 is icon 1

    // The coming appointments (or the search result), with renewal and, during start-up,
    // the report of missed appointments.
    void EinlesenAusDB();
    // The past appointments, newest first.
    void AlteTermineEinlesenAusDB();
    // Reloads the view the "Alte Termine" toggle asks for, with its text colour.
    void reloadByToggle();
    // True when Text4 holds a search text rather than nothing or its resting text.
    bool searchActive() const;
    // The legend window while it is shown.
    frmTerminGrafik* legend() const;

    static inline const QString kSearchPlaceholder = QStringLiteral("Termin suchen");

    // Editing: adding from the entry fields, copying, editing and deleting the selected row.
    void bottonHinzufuegen();
    bool TerminSpeichern();
    void ListviewEintragKopieren();
    void bottonBearbeiten();
    void TerminLoeschen();

    // A click on the toolbar button at this position (1 to 11), with the closing steps.
    void toolbarClicked(int position);

    // Starting the monitor: from the menu (asks when it seems to run) or at once.
    void mnuTerminStarten_Click();
    void startMonitor();
    void mnuHilfe_Click();
    void mnuInternet_Click();
    void mnuInfo_Click();
    void mnuFeiertag_Click();

    // Design size of the client area below the menu bar, in twips.
    static constexpr int kDesignInnerWidth = 11040;
    static constexpr int kDesignInnerHeight = 8400;

    // The resize rule for an inner area of the given size in twips.
    void applyLayout(double innerWidth, double innerHeight);

    // Panel 2 of the status bar: "1 Termin", "0 Termine", "12 Termine".
    void showCount();
    static QString countText(int rows);

    void EingabeFelderLeeren();

    // Sets the date field. A value with a time of day (what a failed take-over from the list of
    // special days leaves) is no special day, so the label then stays empty.
    void setPickerValue(const QDateTime& value);
    // Names the special day of the date field in Label6, or empties it.
    void BesondereTage();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildControls();
    void buildImageList();
    void fillList(const std::vector<listrows::ListRow>& rows);
    void setListTextColour(quint32 value);
    void setListTextColourForToggle();
    void sortByHeader(int column);
    void showLegend();
    void closeLegend();
    bool searchBoxEvent(QEvent* event);
    void buildMenus();
    void buildToolbar();
    void connectEntryFields();
    bool entryFieldEvent(QObject* watched, QEvent* event);
    // The selected list row (the first when none is selected) and its table row, if still there.
    std::optional<moravel::Appointment> selectedRow(QTreeWidgetItem** item = nullptr) const;
    void fillFieldsFrom(QTreeWidgetItem* item, const moravel::Appointment& row);
    void buildEntryFields(QWidget* panel);
    void frmTerminEinstellen();
    void saveOnShutdown();
    void place(QWidget* widget, double left, double top, double width, double height);

    SingleInstance* m_instance;
    bool m_secondInstance = false;
    bool Ladevorgang = false;
    bool m_shutdownDone = false;
    bool m_pickerHasTime = false;
    bool m_sortAscending = false;
    QPointer<frmTerminGrafik> m_legend;
    std::unique_ptr<moravel::TerminStore> dbTermin;
    QWidget* m_client = nullptr;
    QWidget* m_entryPanel = nullptr;
};
