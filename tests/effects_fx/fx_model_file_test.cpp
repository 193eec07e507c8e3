// Effect model files: a written model reads back whole; damaged ones are
// refused with one line.
#include <gtest/gtest.h>

#include <climits>

#include "fx/model.h"
#include "fx_test_support.h"
#include "model_writer.h"
#include "tests/support/log_capture.h"

namespace {

Fx::Model Triangle() {
    Fx::Model model;
    model.version = 3;
    model.secondWord = 77;
    for (int i = 0; i < 3; ++i) {
        Fx::ModelVertex v;
        v.position = Fx::Vector3D(static_cast<float>(i), 1.5f, -2);
        v.normal = Fx::Vector3D(0, 0, 1);
        v.uv = {0.25f * static_cast<float>(i), 0.5f};
        model.vertices.push_back(v);
    }
    model.faces.push_back({{0, 1, 2}});
    model.faces.push_back({{2, 1, 0}});
    return model;
}

TEST(FxModelFile, ReadsBackWhatWasWritten) {
    std::vector<uint8_t> bytes = FxWriter::WriteModel(Triangle());
    ASSERT_EQ(bytes.size(), 12 + 3 * 56 + 4 + 2 * 12u);
    std::unique_ptr<Fx::Model> model = Fx::Model::Load(bytes.data(), bytes.size());
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(FxWriter::WriteModel(*model), bytes);
    EXPECT_EQ(model->secondWord, 77);
    EXPECT_EQ(model->vertices[2].uv.x, 0.5f);
    EXPECT_EQ(model->faces[1].index[0], 2);
    Fx::Model empty;  // no vertices, no faces: loads and draws nothing
    std::vector<uint8_t> none = FxWriter::WriteModel(empty);
    EXPECT_NE(Fx::Model::Load(none.data(), none.size()), nullptr);
}

TEST(FxModelFile, RefusesDamage) {
    const std::vector<uint8_t> good = FxWriter::WriteModel(Triangle());
    const size_t faceCountAt = 12 + 3 * 56;
    const struct {
        size_t at;
        int32_t value;
    } patches[] = {{8, -1}, {8, 1 << 30}, {8, 4}, {faceCountAt, 3}, {faceCountAt, INT_MIN},
                   {faceCountAt + 4, 3}, {faceCountAt + 8, -1}};
    for (const auto& patch : patches) {
        std::vector<uint8_t> bytes = good;
        FxTest::PatchIntAt(bytes, patch.at, patch.value);
        LogCapture log;
        EXPECT_EQ(Fx::Model::Load(bytes.data(), bytes.size()), nullptr) << patch.at << " " << patch.value;
        EXPECT_EQ(log.Count(), 1u);
    }
    for (size_t size = 0; size < good.size(); ++size) {
        LogCapture log;
        EXPECT_EQ(Fx::Model::Load(good.data(), size), nullptr) << size;
    }
}

}  // namespace
