#pragma once

namespace tallowin::test {

// Pins what a widget test's pixels and timings depend on: the Fusion style, the DejaVu Sans font the install step
// brings, no animations and a cursor that does not blink. Call once, after the application object exists; CTest
// also sets QT_FONT_DPI=96 and the offscreen platform for every application test.
void pinWidgetTestEnvironment();

} // namespace tallowin::test
