#include "ui/tray_program.h"

#include <utility>

#include "app/scheduler.h"
#include "app/start_up.h"
#include "context/activity_log.h"
#include "ui/frm_kez_data_aggregator.h"
#include "ui/frm_sm_datapath2.h"
#include "ui/instance_channel.h"
#include "ui/qt_host.h"

namespace kez::ui {

TrayProgram::TrayProgram(AppContext& context, QtHost& host, frmSysTray::Retry retry,
                         std::function<bool()> tray_available)
    : context_(context), host_(host), retry_(retry), tray_available_(std::move(tray_available)) {
  context_.windows.load_tray_window = [this](AppContext&) { LoadTrayWindow(); };
  context_.windows.show_settings_window = [this](AppContext&) { ShowSettingsWindow(); };
  context_.windows.unload_windows = [this](AppContext&) { UnloadWindows(); };
  context_.pos.show_data_path_dialog = [this](clsDataPath& path) {
    frmSM_DATAPATH2 dialog(path, *context_.pos.user_settings, host_);
    dialog.exec();
    host_.ThrowIfEnding();
  };
}

TrayProgram::~TrayProgram() {
  // The hooks point at this object; a context that outlives it must not call them.
  context_.windows = WindowHooks{};
  context_.pos.show_data_path_dialog = nullptr;
}

void TrayProgram::LoadTrayWindow() {
  frmSysTray::Actions actions;
  actions.launch_portal_setup = [this] { host_.FromEventLoop([this] { ShowSettingsWindow(); }); };
  actions.exit = [this] { host_.FromEventLoop([this] { Exit(); }); };
  actions.tick = [this] { host_.FromEventLoop([this] { SchedulerTick(context_); }); };
  actions.no_tray = [this] {
    WriteLog(context_, "No notification area was found: the program runs without a tray icon");
  };
  tray_ = std::make_unique<frmSysTray>(std::move(actions), retry_, tray_available_);
  tray_->Load();
}

void TrayProgram::ShowSettingsWindow() {
  if (!settings_) settings_ = std::make_unique<frmKezDataAggregator>(context_, host_);
  if (!settings_->loaded()) settings_->Load();
  settings_->setWindowState(settings_->windowState() & ~Qt::WindowMinimized);
  settings_->show();
  settings_->raise();
  settings_->activateWindow();
}

void TrayProgram::UnloadWindows() {
  if (settings_) {
    settings_->Unload();
    host_.DoEvents();
  }
  if (tray_) {
    tray_->Unload();
    host_.DoEvents();
  }
}

void TrayProgram::Exit() {
  if (settings_) settings_->Unload();
  if (tray_) tray_->Unload();
  EndProgram(context_, kExitNormal);
}

void TrayProgram::ListenForSecondStarts() {
  const std::filesystem::path lock_file =
      context_.instance_lock_file.empty() ? DefaultInstanceLockFile() : context_.instance_lock_file;
  server_ = std::make_unique<InstanceServer>(lock_file);
  connect(server_.get(), &InstanceServer::showRequested, this,
          [this] { host_.FromEventLoop([this] { ShowSettingsWindow(); }); });
  server_->Listen();
}

}  // namespace kez::ui
