#include "catalogue/scan_queue.h"

#include "catalogue/catalogue.h"

namespace vorne {

void RunScan(Catalogue& catalogue, const ScanRequest& request) {
    ScanEventQueue queue;
    Scanner scanner;
    if (catalogue.Type() != request.type) catalogue.ChooseKind(request.type);
    catalogue.SetFolder(request.folder);
    scanner.StartScan(request, queue);
    while (true) {
        ScanEvent event = queue.Take();
        bool done = std::holds_alternative<WalkDone>(event);
        catalogue.Apply(std::move(event));
        if (done) break;
    }
    scanner.Wait();
}

}  // namespace vorne
