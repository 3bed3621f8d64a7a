#pragma once

#include "TerminStore.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QStatusBar;
class QTextEdit;
class QToolBar;
class QTreeView;

namespace moravel {
class TerminStore;
struct Appointment;
namespace ui {
class SingleInstance;
}
class OpenDatabase;
namespace sync {
class AutoSync;
struct SyncOutcome;
} // namespace sync
} // namespace moravel

namespace moravel::planner {

using ui::SingleInstance;
class DateField;
class ListModel;
class MonthView;
class frmAbgleich;
class frmFeiertag;
class frmHilfe;
class frmInfo;
class frmTerminGrafik;
namespace listrows {
struct ListEntry;
}

// The planner's main window: the appointment list above, the entry fields below.
// Controls are laid out by hand in twips, as the resize rule expects; they are the window's own
// and are found by their object names from outside.
class frmTermin : public QMainWindow {
    Q_OBJECT
public:
    // instance decides whether this planner is the only one; a second one ends itself
    // at its first activation. nullptr: no single-instance check (tests).
    explicit frmTermin(SingleInstance* instance = nullptr, QWidget* parent = nullptr);
    ~frmTermin() override;

    // How much of a long list the start-up reads before the window shows: all of it, or a first
    // screen, the rest read once the window has first been painted (the program's own start).
    enum class FirstList { Whole, ScreenFirst };
    // The start-up, run once before the window is first shown.
    void Form_Load(FirstList firstList = FirstList::Whole);

    moravel::TerminStore* database() const;

    // The coming appointments (or the search result), with renewal and, during start-up,
    // the report of missed appointments.
    void EinlesenAusDB();

    static inline const QString kSearchPlaceholder = QStringLiteral("Termin suchen");

    // Design size of the client area below the menu bar, in twips.
    static constexpr int kDesignInnerWidth = 11040;
    static constexpr int kDesignInnerHeight = 8400;
    // The smallest window a restored geometry leaves, in twips.
    static constexpr int kMinimumWidth = 6000;
    static constexpr int kMinimumHeight = 5400;

    // The resize rule for an inner area of the given size in twips.
    void applyLayout(double innerWidth, double innerHeight);

    // Panel 2 of the status bar: "1 Termin", "0 Termine", "12 Termine".
    static QString countText(int rows);

    // Starts a new appointment with this subject on this day (the special-days list's take-over).
    // A value with a time of day (what a failed take-over leaves) is no special day, so the
    // special-day label then stays empty.
    void offerAppointment(const QString& subject, const QDateTime& day);
    // Opens the maker's web page, when there is one.
    void mnuInternet_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Construction and start-up (frmTermin.cpp).
    void buildControls();
    void buildEntryFields(QWidget* panel);
    void frmTerminEinstellen();
    void saveOnShutdown();
    void showCount();
    void setPickerValue(const QDateTime& value);
    void BesondereTage();

    // The list (frmTermin_List.cpp).
    void AlteTermineEinlesenAusDB();
    void reloadByToggle();
    bool searchActive() const;
    void setListTextColour(quint32 value);
    void setListTextColourForToggle();
    void sortByHeader(int column);
    void showLegend();
    void closeLegend();
    bool searchBoxEvent(QEvent* event);
    std::optional<qint64> currentId() const;
    void selectId(std::optional<qint64> id);
    bool reopenIfReplaced();
    void followDatabase();
    void followChange();
    // False, and the user told once, when the list's read failed.
    bool readSucceeded(bool failed);
    void showEntries(std::vector<listrows::ListEntry> rows);
    void listTheRest();

    // Editing (frmTermin_Edit.cpp).
    void connectEntryFields();
    bool entryFieldEvent(QObject* watched, QEvent* event);
    bool settleEntryFields();
    void bottonHinzufuegen();
    std::optional<qint64> TerminSpeichern();
    void ListviewEintragKopieren();
    void bottonBearbeiten();
    // Deletes the row with this ID when the list still shows it as it was.
    void TerminLoeschen(std::optional<qint64> shownId);
    moravel::TerminStore::FoundRow selectedRow() const;
    void fillFieldsFrom(const moravel::Appointment& row);
    void setSubject(const QString& subject);
    void EingabeFelderLeeren();
    void tellWriteFailure(const QString& what);
    bool readyToWrite(const QString& what, bool onPickedRow);
    // Says that the picked row was in a file another program has replaced since.
    void tellReplaced(const QString& what, bool wasEditing);

    // Toolbar, menus and the other windows (frmTermin_Commands.cpp).
    void buildMenus();
    void buildToolbar();
    void toolbarClicked(int position);
    void afterCommand();
    void mnuTerminStarten_Click();
    void startMonitor();
    void mnuHilfe_Click();
    void mnuInfo_Click();
    void mnuFeiertag_Click();
    void closeOwnWindows();

    // Appointments out to and in from calendar files (frmTermin_Exchange.cpp).
    void mnuExportieren_Click();
    void mnuImportieren_Click();

    // The calendar server (frmTermin_Sync.cpp).
    void mnuAbgleich_Click();
    void startSync();
    void syncFinished(const moravel::sync::SyncOutcome& outcome);

    QLabel* Image1 = nullptr;
    QToolBar* Toolbar3 = nullptr;
    QTreeView* ListView1 = nullptr;
    ListModel* m_rows = nullptr;
    QLineEdit* Text1 = nullptr;
    DateField* DTPicker1 = nullptr;
    QLineEdit* MaskEdBox1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text2 = nullptr;
    QTextEdit* RichTextBox1 = nullptr;
    MonthView* MonthView1 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Image2 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* statusPanel1 = nullptr;
    QLabel* statusPanel2 = nullptr;
    QLabel* statusSync = nullptr;
    QLabel* LabelTerminAm = nullptr;
    QLabel* LabelUm = nullptr;
    QAction* AlteTermine = nullptr; // toolbar button 7: the past view while pressed

    SingleInstance* m_instance;
    bool m_secondInstance = false;
    bool Ladevorgang = false;
    bool m_shutdownDone = false;
    bool m_pickerHasTime = false;
    bool m_sortAscending = false;
    bool m_renewalFailureTold = false;
    bool m_screenFirst = false;
    // While the list shows the start's first screen only: the number of coming rows in all.
    std::optional<int> m_restOfList;
    bool m_readFailureTold = false;
    bool m_followWaiting = false;
    // The row being edited was in a file another program has since replaced.
    bool m_editOfReplacedFile = false;
    // The row being edited: it stays in the table, out of the list, until adding replaces it.
    std::optional<qint64> m_editing;
    // A stored subject too long for the subject field: written back whole, the field shows its start.
    std::optional<QString> m_heldSubject;
    QPointer<frmTerminGrafik> m_legend;
    QPointer<frmFeiertag> m_specialDays;
    QPointer<frmHilfe> m_help;
    QPointer<frmInfo> m_info;
    QPointer<frmAbgleich> m_syncDialog;
    moravel::sync::AutoSync* m_autoSync = nullptr;
    // The open database: asked for its store at each use, as the file may be replaced meanwhile.
    moravel::OpenDatabase* m_database;
    moravel::TerminStore* dbTermin() const { return database(); }
    QWidget* m_client = nullptr;
    QWidget* m_entryPanel = nullptr;
};

} // namespace moravel::planner
