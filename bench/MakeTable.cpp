// Writes an appointment table for the whole-program runs, around today's real date:
//
//   bench_make_table PATH ROWS [BACKLOG-DAYS [third-ahead]]
//
// Rows as years of use leave them, or with "third-ahead" the list-heavy table.
#include "BenchTables.h"
#include "DateSerial.h"

#include <QDate>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PATH ROWS [BACKLOG-DAYS [third-ahead]]\n", argv[0]);
        return 2;
    }
    const QString path = QFile::decodeName(argv[1]);
    const int rows = std::atoi(argv[2]);
    const int backlog = argc > 3 ? std::atoi(argv[3]) : 0;
    const bool thirdAhead = argc > 4 && std::strcmp(argv[4], "third-ahead") == 0;
    const qint64 today = moravel::serial::dayNumber(QDate::currentDate());
    QFile::remove(path);
    moravel::bench::fillTable(
        path, rows, today, thirdAhead ? moravel::bench::Shape::ThirdAhead : moravel::bench::Shape::History);
    if (backlog > 0)
        moravel::bench::addDailyBacklog(path, today, backlog);
    return QFile::exists(path) ? 0 : 1;
}
