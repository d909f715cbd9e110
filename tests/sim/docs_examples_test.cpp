// The scenario reference's examples, as they stand in docs/scenarios.md: each loads and runs,
// and the document's example does what the text under it says.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/runner.h"
#include "sim/scenario.h"

namespace velmora::sim {
namespace {

std::vector<std::string> jsonExamples(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    const std::string doc = text.str();
    std::vector<std::string> examples;
    for (std::size_t at = doc.find("```json\n"); at != std::string::npos; at = doc.find("```json\n", at)) {
        at += 8;
        const std::size_t end = doc.find("\n```", at);
        if (end == std::string::npos) break;
        examples.push_back(doc.substr(at, end - at));
    }
    return examples;
}

TEST(DocsExamples, TheScenarioReferenceExamplesRunAsWritten) {
    const std::vector<std::string> examples = jsonExamples(VELMORA_SOURCE_DIR "/docs/scenarios.md");
    ASSERT_FALSE(examples.empty());
    for (std::size_t i = 0; i < examples.size(); ++i) {
        Simulation run(parseScenario(examples[i], "example " + std::to_string(i + 1)));
        run.run();
        EXPECT_FALSE(run.error()) << run.error().value_or("");
        EXPECT_EQ(run.session.framesRun(), run.scenario.frames);
    }

    // The document's example: on foot, in the medium view, then far, the game's first person, near.
    Simulation run(parseScenario(examples.front(), "the document"));
    run.run();
    std::vector<std::string> modes;
    for (const ModeChange& change : run.session.modeChanges()) modes.push_back(change.to);
    EXPECT_EQ(modes, (std::vector<std::string>{"on foot", "medium chase", "far chase", "game first person", "near chase"}));
}

}  // namespace
}  // namespace velmora::sim
