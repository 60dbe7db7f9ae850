#include "tests/support/RecordingPrompter.h"
