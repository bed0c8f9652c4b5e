#pragma once

// Everything the handlers of one run share: the runtime, the platform
// services, the two windows and the program-wide state of each subsystem.
// It lives on the user-interface thread; workers never see it.

#include <memory>

#include "app/services.h"
#include "region/region_codes.h"
#include "runtime/runtime.h"
#include "runtime/worker_threads.h"
#include "scan/scan_controller.h"
#include "web/update_check.h"

namespace qorvex::app {

struct AppContext {
    AppContext(runtime::Runtime& runtime_in, Services services_in)
        : runtime(runtime_in),
          services(services_in),
          scan(runtime_in,
               scan::ScanServices{services_in.http, services_in.clock, services_in.regex,
                                  services_in.deployment.carrier_host},
               region_codes),
          background(runtime_in) {}

    runtime::Runtime& runtime;
    Services services;
    std::shared_ptr<runtime::Form> main_window;
    std::shared_ptr<runtime::Form> notice_window;
    // Read by scan workers too: RegionCodes hands out whole snapshots.
    region::RegionCodes region_codes;
    // The versions the update check compared and its update flag.
    web::UpdateState update;
    // Declared last, so destroyed first: their workers are stopped and done
    // before the services and region codes they use go.
    scan::ScanController scan;
    // The update check's fetch.
    runtime::WorkerThreads background;
};

}  // namespace qorvex::app
