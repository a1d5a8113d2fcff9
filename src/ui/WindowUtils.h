#pragma once

// Placement of windows on their monitor.

class QWidget;

namespace quorvane {

// Centres Form over a visible Parent on the same monitor (kept on the monitor), else on its monitor.
// Monitor geometry is each monitor's own, origin included. Does nothing without a form.
void CenterForm(QWidget* Parent, QWidget* Form);

} // namespace quorvane
