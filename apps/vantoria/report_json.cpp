#include "apps/vantoria/report_json.h"

#include <cmath>
#include <cstdio>

#include "engine/colour_difference.h"
#include "engine/edit_pars_table.h"
#include "engine/preview_plan.h"
#include "icc/profile_export.h"
#include "ui/status.h"

namespace {

std::string Number(double v) {
    if (!std::isfinite(v)) return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

std::string Triple(const double v[3]) {
    return "[" + Number(v[0]) + ", " + Number(v[1]) + ", " + Number(v[2]) + "]";
}

std::string Triple(const float v[3]) {
    const double d[3] = {v[0], v[1], v[2]};
    return Triple(d);
}

std::string Quoted(const char* text) {
    std::string out = "\"";
    for (const char* c = text; *c != 0; ++c) {
        if (*c == '"' || *c == '\\') out += '\\';
        if (uint8_t(*c) < 0x20) continue;
        out += *c;
    }
    return out + "\"";
}

// Every setting of a table that is a number, by name; arrays as lists.
void Settings(const EditParTable& table, const EditPars& pars, std::string* out) {
    for (uint32_t r = 0; r < table.count; ++r) {
        const EditParRow& row = table.rows[r];
        if (row.kind == kParGroup || row.kind == kParText) continue;
        std::string value = row.count > 1 ? "[" : "";
        for (uint32_t i = 0; i < row.count; ++i) {
            const double v = EditParNumber(row, &pars, i);
            if (i > 0) value += ", ";
            value += row.kind == kParFloat ? Number(v) : std::to_string(int64_t(v));
        }
        if (row.count > 1) value += "]";
        *out += "    " + Quoted(row.name) + ": " + value + ",\n";
    }
}

// Lab of a colour after the correction, from the export's chain.
void CorrectedLabOf(ExportGridContext* c, const double rgb[3], double lab[3]) {
    uint16_t v[3];
    ExportGridNode(rgb, v, c);
    lab[0] = v[0] * 100.0 / 65280.0;
    lab[1] = v[1] / 256.0 - 128.0;
    lab[2] = v[2] / 256.0 - 128.0;
}

std::string MemoryColours(const EditPars& pars, const ViewCorrection& corrected,
                          ExportGridContext* c, double full) {
    std::string out;
    for (int32_t b = 0; b < kMemoryColorBins; ++b) {
        const MemoryColorBin& bin = pars.customBinColors[b];
        std::string samples;
        for (const MemorySample& s : bin.samplesBin) {
            if (s.count <= 0) continue;
            const double mean[3] = {s.sumR / s.count / full, s.sumG / s.count / full,
                                    s.sumB / s.count / full};
            samples += std::string(samples.empty() ? "" : ", ") + "{\"rgb\": " + Triple(mean) +
                       ", \"pixels\": " + std::to_string(s.count) + "}";
        }
        const ColourSampleMean& pooled = corrected.means[b];
        if (bin.haveDef == 0 || pooled.pixels == 0) continue;
        const double* mean = pooled.rgb;
        const double* before = pooled.lab;
        const double* target = pooled.targetLab;
        double after[3], targetAfter[3];
        CorrectedLabOf(c, mean, after);
        MemoryColourIdealLab(bin.fcn, after[0], targetAfter);
        out +=
            std::string(out.empty() ? "" : ",\n") + "    {\"name\": " + Quoted(bin.name) +
            ", \"samples\": [" + samples + "],\n     \"meanRgb\": " + Triple(mean) +
            ", \"meanLab\": " + Triple(before) + ", \"targetLab\": " + Triple(target) +
            ",\n     \"correctedLab\": " + Triple(after) +
            ", \"correctedTargetLab\": " + Triple(targetAfter) +
            ",\n     \"deltaE2000\": {\"before\": " + Number(ColourDifference2000(before, target)) +
            ", \"after\": " + Number(ColourDifference2000(after, targetAfter)) + "}}";
    }
    return out;
}

}  // namespace

std::string WriteReportJson(const std::string& path, const ImageBuffer& image,
                            const CorrectionModel& model, const StageTimes& times) {
    const EditPars& pars = model.pars;
    ProfileExportSource source = {&pars, model.corrected.transform->tintwork, "", 0, nullptr};
    ExportGridContext context;
    if (InitExportGridContext(&source, &context) != kUiOk)
        return "the working space has no colour chain for the report";

    std::string json = "{\n  \"image\": {\"width\": " + std::to_string(image.width) +
                       ", \"height\": " + std::to_string(image.height) +
                       ", \"depth\": " + std::to_string(image.depth) +
                       ", \"planes\": " + std::to_string(image.planes) + "},\n";
    const int32_t factor =
        PreviewReductionFactor(image.width, image.height, model.previewWidth, model.previewHeight);
    json += "  \"preview\": {\"box\": [" + std::to_string(model.previewWidth) + ", " +
            std::to_string(model.previewHeight) + "], \"analysed\": [" +
            std::to_string(model.readWidth) + ", " + std::to_string(model.readHeight) +
            "], \"reductionFactor\": " + std::to_string(factor) +
            ", \"hostSubsampling\": " + std::to_string(PreviewSubsampling(factor)) + "},\n";
    json += "  \"settings\": {\n";
    Settings(kEditParsBaseTable, pars, &json);
    Settings(kEditParsExtensionTable, pars, &json);
    json += "    \"workingSpace\": {\"gamma\": " + Number(pars.refRGB.gamma) +
            ", \"primaries\": [" + Number(pars.refRGB.primaries[0]);
    for (int32_t i = 1; i < 6; ++i) json += ", " + Number(pars.refRGB.primaries[i]);
    json += "], \"whiteXYZ\": " + Triple(pars.refRGB.xyzWhite) + "}\n  },\n";
    const ToneLevels& l = model.corrected.levels;
    json += "  \"levels\": {\"black\": " + Triple(l.blackPoint) +
            ", \"midGrey\": " + Triple(l.midGray) + ", \"white\": " + Triple(l.whitePoint) + "},\n";
    json += "  \"memoryColours\": [\n" +
            MemoryColours(pars, model.corrected, &context, image.depth == 16 ? 65535.0 : 255.0) +
            "\n  ],\n";
    json += "  \"seconds\": {\"read\": " + Number(times.read) +
            ", \"analyse\": " + Number(times.analyse) + ", \"plugin\": " + Number(times.plugin) +
            ", \"write\": " + Number(times.write) + "}\n}\n";

    const std::string temporary = path + ".part";
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (f == nullptr) return "cannot create " + temporary;
    const bool written = std::fwrite(json.data(), 1, json.size(), f) == json.size();
    if (std::fclose(f) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return "cannot write the report " + path;
    }
    return std::string();
}
