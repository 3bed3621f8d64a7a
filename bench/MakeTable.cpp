// Writes an appointment table for the whole-program runs, around today's real date:
//
//   bench_make_table PATH ROWS [BACKLOG-DAYS [third-ahead|all-ahead]]
//
// Rows as years of use leave them, with "third-ahead" the list-heavy table, with "all-ahead"
// every row listed.
#include "BenchTables.h"
#include "DateSerial.h"

#include <QDate>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PATH ROWS [BACKLOG-DAYS [third-ahead|all-ahead]]\n", argv[0]);
        return 2;
    }
    const QString path = QFile::decodeName(argv[1]);
    const int rows = std::atoi(argv[2]);
    const int backlog = argc > 3 ? std::atoi(argv[3]) : 0;
    const char* shape = argc > 4 ? argv[4] : "";
    const qint64 today = moravel::serial::dayNumber(QDate::currentDate());
    QFile::remove(path);
    using moravel::bench::Shape;
    moravel::bench::fillTable(path, rows, today,
                              std::strcmp(shape, "third-ahead") == 0 ? Shape::ThirdAhead
                              : std::strcmp(shape, "all-ahead") == 0 ? Shape::AllAhead
                                                                     : Shape::History);
    if (backlog > 0)
        moravel::bench::addDailyBacklog(path, today, backlog);
    return QFile::exists(path) ? 0 : 1;
}
