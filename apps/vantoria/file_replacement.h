// The last step of every file the batch command writes: the complete
// temporary file beside the target renamed over it, or given up.
#pragma once

#include <string>

// Renames temporary over path when ok; otherwise deletes temporary. Returns
// false when the rename failed, ok was false or the write was cancelled.
bool FinishReplacement(const std::string& temporary, const std::string& path, bool ok);

// From now on a write whose file is complete is still given up (the
// temporary file deleted, the target left as it was) when cancelled() says
// so; null: never.
void SetWriteCancelCheck(bool (*cancelled)());
