// Runs every window and shell-service test class in one executable.

#include <QApplication>

int runMainWindowTests(int argc, char** argv);
int runSystemServicesTests(int argc, char** argv);
int runStartupWindowTests(int argc, char** argv);
int runEditorWindowTests(int argc, char** argv);
int runCommandSurfaceTests(int argc, char** argv);
int runSettingsPanelTests(int argc, char** argv);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    failures += runMainWindowTests(argc, argv);
    failures += runSystemServicesTests(argc, argv);
    failures += runStartupWindowTests(argc, argv);
    failures += runEditorWindowTests(argc, argv);
    failures += runCommandSurfaceTests(argc, argv);
    failures += runSettingsPanelTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
