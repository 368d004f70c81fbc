#pragma once

namespace orvane {

// Declares the process per-monitor DPI aware (v2 where the system has it), so
// that on a scaled display the mirror covers the monitor's real pixels and
// the system does not stretch it. Must run before the first window is made.
void declare_per_monitor_dpi_awareness() noexcept;

} // namespace orvane
