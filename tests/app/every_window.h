// Every dialog and tool window of the program, made without a connection or
// a document, for tests that look at all of them (texts, keys, help).
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "app/advanced.h"
#include "app/mb_comm_setup.h"
#include "display/bus_scanner_window.h"
#include "display/bus_statistics_window.h"
#include "display/communication.h"
#include "display/decode_window.h"
#include "display/row_type_dialog.h"
#include "display/device_identity_dialog.h"
#include "display/error_counter.h"
#include "display/trend_window.h"
#include "documents/mb_log_setup.h"
#include "documents/zentiq_setup.h"
#include "testcenter/test_center.h"
#include "writes/mb_force_multible_coils.h"
#include "writes/mb_input_register.h"
#include "writes/mb_input_register_bin.h"
#include "writes/mb_mask_write.h"
#include "writes/mb_preset_multible_register.h"
#include "writes/mb_read_write_register.h"
#include "writes/mb_write_coil.h"
#include "writes/mb_write_float.h"
#include "writes/mb_write_typed.h"
#include "writes/mb_write_register.h"
#include "writes/mb_write_register_bin.h"
#include "writes/mb_write_register_int.h"

namespace zentiq::test {

inline std::vector<std::pair<const char*, std::function<QWidget*()>>> everyWindow() {
    return {
        {"CZentiqSetup", [] { return new CZentiqSetup(DefinitionDialogValues{}); }},
        {"CMBCommSetup", [] { return new CMBCommSetup(ConnectionSettings{}); }},
        {"CAdvanced", [] { return new CAdvanced(AdvancedOptions{}); }},
        {"CMBLogSetup", [] { return new CMBLogSetup(DataLogger::Options{}); }},
        {"CCommunication", [] { return new CCommunication(DefaultLine()); }},
        {"CErrorCounter",
         [] { return new CErrorCounter(ErrorCounterModel::Counters{}, [] { return qint64(0); }); }},
        {"CTestCenter", [] { return new CTestCenter(CTestCenter::Settings{}); }},
        {"DeviceIdentityDialog", [] { return new DeviceIdentityDialog(DefaultLine(), 1); }},
        {"TrendWindow", [] { return new TrendWindow(nullptr, {}, nullptr); }},
        {"DecodeWindow", [] { return new DecodeWindow(nullptr, {}, nullptr); }},
        {"RowTypeDialog", [] { return new RowTypeDialog(RowType{}, QStringLiteral("100"), {}); }},
        {"BusScannerWindow", [] { return new BusScannerWindow(BusScannerWindow::Hooks{}); }},
        {"BusStatisticsWindow",
         [] {
             return new BusStatisticsWindow(
                 DefaultLine(), [] { return std::vector<PollWindowRequest>{}; }, nullptr);
         }},
        {"CMBWriteCoil", [] { return new CMBWriteCoil(); }},
        {"CMBWriteRegister", [] { return new CMBWriteRegister(); }},
        {"CMBWriteRegisterBin", [] { return new CMBWriteRegisterBin(); }},
        {"CMBWriteRegisterInt", [] { return new CMBWriteRegisterInt(); }},
        {"CMBWriteFloat", [] { return new CMBWriteFloat(); }},
        {"CMBWriteTyped", [] { return new CMBWriteTyped(RowType{}); }},
        {"CMBForceMultibleCoils", [] { return new CMBForceMultibleCoils(WriteBlock{}); }},
        {"CMBPresetMultibleRegister",
         [] { return new CMBPresetMultibleRegister(WriteBlock{}, 8); }},
        {"CMBReadWriteRegister", [] { return new CMBReadWriteRegister(ReadWriteBlock{}, 5); }},
        {"CMBInputRegister", [] { return new CMBInputRegister(4, InputRegisterValue{}); }},
        {"CMBInputRegisterBin", [] { return new CMBInputRegisterBin(0x00F0); }},
        {"CMBMaskWrite", [] { return new CMBMaskWrite(1, 1, 1); }},
    };
}

}  // namespace zentiq::test
