// One monitor wired to a recording view, a fake settings store and a fake service manager.
#pragma once

#include <string>

#include "fakes/fake_scm_port.h"
#include "fakes/fake_settings_store.h"
#include "fakes/recording_monitor_view.h"
#include "monitor/frm_srv_man.h"

namespace kestrin {

struct MonitorHarness {
    FakeScmPort scm;
    FakeSettingsStore store;
    FakeSettingsStore machineDefaults;
    RecordingMonitorView view;
    TestServiceQueue services{scm};
    FakeClock clock;
    FakeEventRecord record;
    FrmSrvMan frm{view, store, machineDefaults, services, clock, record};

    MonitorHarness() {
        view.frm = &frm;
        services.frm = &frm;
    }

    // Starts with names already stored, as on every run after the first.
    void LoadWatching(const std::string& service, const std::string& minimiseToTray = "False") {
        store.values = {{"Computer Name", ""}, {"Service Name", service}, {"Minimise to Tray", minimiseToTray}};
        frm.Load("");
        store.writes.clear();
    }
};

}  // namespace kestrin
