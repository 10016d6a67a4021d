#include "EditorTestSupport.h"

// Registered before main runs; set up inside RUN_ALL_TESTS.
static auto* const guiEnvironment = ::testing::AddGlobalTestEnvironment (new EditorTest::GuiEnvironment());
