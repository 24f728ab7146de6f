#include "hostsim/hostsim.h"

#include "hostsim/explain.h"
#include "hostsim/report.h"
#include "hostsim/run.h"

namespace hostsim {

std::string run(const scenario::Scenario& s, const Options& options) {
    const hostrun::Result result = hostrun::run(s);
    const nlohmann::ordered_json json =
        report::json(result, explain::explain(s, result), s.description);
    if (options.json) return json.dump(2) + "\n";
    return report::text(json, report::styled(result, options.color), options.color);
}

} // namespace hostsim
