// The files of a skin written into a temporary folder for a Windows test, removed afterwards.
#pragma once

#include "core/path.h"
#include "core/stream.h"
#include "core/test/tempfile.h"
#include "skin/engine/testwriters/testskin.h"

#include <vector>

namespace skin::test {

class SkinFolder {
public:
    explicit SkinFolder(const std::vector<skin::testing::SkinFile>& files = skin::testing::TestSkinFiles())
    {
        for (const skin::testing::SkinFile& f : files) {
            core::FileStream out(m_dir.File(core::FromUtf8(f.name)), core::fmCreate);
            out.WriteBuffer(f.bytes.data(), int64_t(f.bytes.size()));
        }
    }
    // With its trailing separator.
    core::String Path() const { return core::IncludeTrailingPathDelimiter(m_dir.Path()); }

private:
    core::test::TempDir m_dir;
};

} // namespace skin::test
