#include <QApplication>

#include "app_runner.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return dmm::runDmmview(app);
}
