#pragma once

#include <QPointer>
#include <QWidget>

class QDate;
class QDateEdit;
class QLabel;
class QStatusBar;
class QToolButton;
class QTreeWidget;

namespace moravel::planner {

class frmTermin;

// The list of the special days of one year with a row for today. A day can be taken over into
// the subject and date fields of the main window as the start of a new appointment. Modeless,
// a window of the main window that closes with it; it deletes itself when closed, so each
// opening starts afresh from today's year.
class frmFeiertag : public QWidget {
    Q_OBJECT
public:
    explicit frmFeiertag(frmTermin* owner);

    // Column indexes of ListView1.
    static constexpr int kColumnDatum = 0;
    static constexpr int kColumnName = 1;
    static constexpr int kColumnDayNumber = 2; // hidden; the sort key of the date order
    // Item data of column 1 holding the row's icon index.
    static constexpr int kIconIndexRole = Qt::UserRole;

    // Design size of the client area, in twips; the window never gets wider than kMaxOuterWidth.
    static constexpr int kDesignInnerWidth = 6380;
    static constexpr int kDesignInnerHeight = 7500;
    static constexpr int kMaxOuterWidth = 8000;

    // Offers the selected row to the main window as a new appointment.
    void ListView1_DblClick();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // Adds the today row and the special days of the year in DTPicker1; leaves existing rows.
    void FeiertagsListeEinlesen();
    // The resize rule: width limit, then list, button and picture strip follow the client area.
    void Form_Resize();
    // Header click: "Datum" sorts by the day number, any other column by the name; every click
    // turns the order round.
    void ListView1_ColumnClick(int column);
    void ListView1_Click();
    void DTPicker1_Change();
    void addRow(QDate date, const QString& name, int iconIndex);
    void takeOverFailed();

    QWidget* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QDateEdit* DTPicker1 = nullptr;
    QToolButton* Command1 = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* statusPanel1 = nullptr;

    QPointer<frmTermin> m_owner;
    int m_sortColumn = kColumnDayNumber;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

} // namespace moravel::planner
