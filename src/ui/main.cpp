// vorne: the desktop application.
#include "ui/rom_app.h"

int main(int argc, char** argv) {
    vorne::ui::CRomApp app(argc, argv);
    return app.Run();
}
