// vorne: the desktop application.
#include "platform/file.h"
#include "platform/heap_tuning.h"
#include "ui/rom_app.h"

int main(int argc, char** argv) {
    // A file-size limit then fails a write with an error that the write rolls back, instead of
    // killing the program half-way through it.
    vorne::IgnoreFileSizeSignal();
    vorne::KeepFreedMemoryForReuse();
    vorne::ui::CRomApp app(argc, argv);
    return app.Run();
}
