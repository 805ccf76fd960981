// Draws from every distribution and writes distributions.svg: one histogram per distribution
// with its theoretical density (or probability mass) drawn over it, so the variates can be
// checked at a glance. Prints the file name and each sample mean next to the exact mean.
#include "ZELMath.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int Draws = 20000;
constexpr int Bins = 40;
constexpr double Pi = 3.14159265358979323846;

struct Panel {
    std::string title;
    ZELRNDistribution* distribution;
    double lo, hi;                          // histogram range
    bool discrete;                          // values on a grid: one bar per value, mass as dots
    double step;                            // grid spacing of a discrete panel
    std::function<double(double)> density;  // density, or probability mass for discrete panels
    double mean;                            // exact mean
};

double gammaDensity(double x, double alpha, double beta) {
    if (x <= 0.0) return 0.0;
    return std::exp((alpha - 1.0) * std::log(x) - x / beta - std::lgamma(alpha) -
                    alpha * std::log(beta));
}

void writePanel(std::FILE* svg, const Panel& p, int stream, double x0, double y0,
                double& sampleMean) {
    const double w = 300.0, h = 180.0, left = 10.0, top = 28.0, plotW = w - 20.0, plotH = h - 48.0;
    std::vector<double> counts;
    double sum = 0.0;
    if (p.discrete)
        counts.assign(static_cast<std::size_t>(std::round((p.hi - p.lo) / p.step)) + 1, 0.0);
    else
        counts.assign(Bins, 0.0);
    // Discrete panels show frequencies, continuous ones densities.
    const double width = p.discrete ? 1.0 : (p.hi - p.lo) / Bins;
    for (int i = 0; i < Draws; ++i) {
        const double x = p.distribution->getRandomVariate(stream);
        sum += x;
        const double pos =
            p.discrete ? std::round((x - p.lo) / p.step) : std::floor((x - p.lo) / width);
        if (pos >= 0.0 && pos < static_cast<double>(counts.size()))
            counts[static_cast<std::size_t>(pos)] += 1.0;
    }
    sampleMean = sum / Draws;
    // Heights as densities (or frequencies), scaled to the larger of histogram and curve.
    std::vector<double> heights(counts.size()), curve;
    double top_ = 0.0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        heights[i] = counts[i] / (Draws * width);
        top_ = std::max(top_, heights[i]);
    }
    const int samples = p.discrete ? static_cast<int>(counts.size()) : 200;
    for (int i = 0; i < samples; ++i) {
        const double x =
            p.discrete ? p.lo + i * p.step : p.lo + (p.hi - p.lo) * (i + 0.5) / samples;
        curve.push_back(p.density(x));
        if (std::isfinite(curve.back())) top_ = std::max(top_, std::min(curve.back(), 3.0 * top_));
    }
    const double scale = plotH / (1.05 * top_);
    const double slot = plotW / static_cast<double>(counts.size());

    std::fprintf(svg, "<g transform=\"translate(%.1f,%.1f)\">\n", x0, y0);
    std::fprintf(
        svg,
        "<rect x=\"0\" y=\"0\" width=\"%.0f\" height=\"%.0f\" fill=\"white\" stroke=\"#ccc\"/>\n",
        w, h);
    std::fprintf(svg,
                 "<text x=\"%.0f\" y=\"18\" font-size=\"13\" text-anchor=\"middle\">%s</text>\n",
                 w / 2, p.title.c_str());
    const double base = top + plotH;
    for (std::size_t i = 0; i < heights.size(); ++i) {
        const double bh = heights[i] * scale;
        std::fprintf(svg,
                     "<rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" fill=\"#9ecae1\" "
                     "stroke=\"#6baed6\" stroke-width=\"0.5\"/>\n",
                     left + i * slot + (p.discrete ? slot * 0.15 : 0.0), base - bh,
                     p.discrete ? slot * 0.7 : slot, bh);
    }
    if (p.discrete) {
        for (int i = 0; i < samples; ++i)
            std::fprintf(svg, "<circle cx=\"%.2f\" cy=\"%.2f\" r=\"2.5\" fill=\"#d62728\"/>\n",
                         left + (i + 0.5) * slot,
                         base - std::min(curve[static_cast<std::size_t>(i)] * scale, plotH));
    } else {
        std::fprintf(svg,
                     "<polyline fill=\"none\" stroke=\"#d62728\" stroke-width=\"1.5\" points=\"");
        for (int i = 0; i < samples; ++i) {
            const double y = std::isfinite(curve[static_cast<std::size_t>(i)])
                ? curve[static_cast<std::size_t>(i)] * scale
                : plotH;
            std::fprintf(svg, "%.2f,%.2f ", left + plotW * (i + 0.5) / samples,
                         base - std::min(y, plotH));
        }
        std::fprintf(svg, "\"/>\n");
    }
    std::fprintf(svg, "<line x1=\"%.0f\" y1=\"%.2f\" x2=\"%.0f\" y2=\"%.2f\" stroke=\"black\"/>\n",
                 left, base, left + plotW, base);
    std::fprintf(svg, "<text x=\"%.0f\" y=\"%.0f\" font-size=\"10\">%g</text>\n", left, base + 13,
                 p.lo);
    std::fprintf(svg,
                 "<text x=\"%.0f\" y=\"%.0f\" font-size=\"10\" text-anchor=\"end\">%g</text>\n",
                 left + plotW, base + 13, p.hi);
    std::fprintf(svg, "</g>\n");
}

}  // namespace

int main() {
    ZELUniformDistribution uniform(2.0, 5.0);
    ZELExponentialDistribution exponential(2.0);
    ZELTriangularDistribution triangular(0.0, 1.0, 4.0);
    ZELNormalDistribution normal(0.0, 1.0);
    ZELLogNormalDistribution logNormal(2.0, 0.5);
    ZELGammaDistribution gammaSmall(0.5, 2.0), gammaLarge(3.0, 1.0);
    ZELErlangDistribution erlang(6.0, 3);
    ZELBetaDistribution beta(2.0, 3.0);
    ZELWeibullDistribution weibull(2.0, 1.5);
    ZELPoissonDistribution poisson(4.0);
    const double values[] = {1.0, 2.0, 3.0, 5.0};
    const double probabilities[] = {0.1, 0.4, 0.3, 0.2};
    ZELUserDiscDistribution userDisc(values, probabilities, 4);
    const double edges[] = {0.0, 1.0, 2.0, 4.0};
    const double mass[] = {0.0, 0.5, 0.3, 0.2};  // densities 0.5, 0.3, 0.1
    ZELUserContDistribution userCont(edges, mass, 4);
    const double weights[] = {1.0, 2.0, 3.0, 4.0};  // returns weight w with probability w
    ZELUsrDist usr(weights, 4);

    const double ls2 = std::log(1.0 + 0.25 / 4.0), lmu = std::log(2.0) - 0.5 * ls2;
    const std::vector<Panel> panels = {
        {"uniform(2, 5)", &uniform, 1.5, 5.5, false, 0.0,
         [](double x) { return x >= 2 && x <= 5 ? 1.0 / 3.0 : 0.0; }, 3.5},
        {"exponential(mean 2)", &exponential, 0, 12, false, 0.0,
         [](double x) { return x < 0 ? 0.0 : 0.5 * std::exp(-x / 2); }, 2.0},
        {"triangular(0, 1, 4)", &triangular, 0, 4, false, 0.0,
         [](double x) { return x < 0 || x > 4 ? 0.0
                            : x <= 1          ? x / 2
                                              : (4 - x) / 6; }, 5.0 / 3.0},
        {"normal(0, 1)", &normal, -4, 4, false, 0.0,
         [](double x) { return std::exp(-x * x / 2) / std::sqrt(2 * Pi); }, 0.0},
        {"log-normal(mean 2, sd 0.5)", &logNormal, 0, 5, false, 0.0,
         [=](double x) {
             return x <= 0 ? 0.0
                           : std::exp(-std::pow(std::log(x) - lmu, 2) / (2 * ls2)) /
                     (x * std::sqrt(2 * Pi * ls2));
         },
         2.0},
        {"gamma(0.5, 2)", &gammaSmall, 0, 6, false, 0.0,
         [](double x) { return gammaDensity(x, 0.5, 2.0); }, 1.0},
        {"gamma(3, 1)", &gammaLarge, 0, 12, false, 0.0,
         [](double x) { return gammaDensity(x, 3.0, 1.0); }, 3.0},
        {"Erlang(mean 6, 3 phases)", &erlang, 0, 20, false, 0.0,
         [](double x) { return gammaDensity(x, 3.0, 2.0); }, 6.0},
        {"beta(2, 3)", &beta, 0, 1, false, 0.0,
         [](double x) { return x < 0 || x > 1 ? 0.0 : 12 * x * (1 - x) * (1 - x); }, 0.4},
        {"Weibull(scale 2, shape 1.5)", &weibull, 0, 7, false, 0.0,
         [](double x) {
             return x < 0 ? 0.0 : 0.75 * std::sqrt(x / 2) * std::exp(-std::pow(x / 2, 1.5));
         },
         2.0 * std::tgamma(1 + 1 / 1.5)},
        {"Poisson(4)", &poisson, 0, 14, true, 1.0,
         [](double k) { return std::exp(k * std::log(4.0) - 4.0 - std::lgamma(k + 1)); }, 4.0},
        {"user discrete {1,2,3,5}", &userDisc, 0, 6, true, 1.0,
         [](double k) {
             return k == 1 ? 0.1 : k == 2 ? 0.4 : k == 3 ? 0.3 : k == 5 ? 0.2 : 0.0;
         },
         2.8},
        {"user continuous (0,1,2,4)", &userCont, 0, 4.5, false, 0.0,
         [](double x) {
             return x < 0 ? 0.0 : x < 1 ? 0.5 : x < 2 ? 0.3 : x < 4 ? 0.1 : 0.0;
         },
         0.25 + 0.45 + 0.6},
        {"weight table 1:2:3:4 (value w, mass w)", &usr, 0, 0.5, true, 0.1,
         [](double w) { return w > 0.05 && w < 0.45 ? w : 0.0; }, 0.01 + 0.04 + 0.09 + 0.16},
    };

    const char* const fileName = "distributions.svg";
    std::FILE* svg = std::fopen(fileName, "w");
    if (svg == nullptr) {
        std::perror(fileName);
        return 1;
    }
    const int columns = 4, rows = static_cast<int>((panels.size() + columns - 1) / columns);
    std::fprintf(svg,
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                 "font-family=\"sans-serif\">\n",
                 columns * 310 + 10, rows * 190 + 40);
    std::fprintf(
        svg,
        "<text x=\"10\" y=\"24\" font-size=\"16\">%d draws per distribution: histogram (blue), "
        "theoretical density or mass (red)</text>\n",
        Draws);
    std::printf("%-40s %12s %12s\n", "distribution", "sample mean", "exact mean");
    for (std::size_t i = 0; i < panels.size(); ++i) {
        double sampleMean = 0.0;
        writePanel(svg, panels[i], static_cast<int>(i) + 1, 10.0 + 310.0 * (i % columns),
                   35.0 + 190.0 * (i / columns), sampleMean);
        std::printf("%-40s %12.4f %12.4f\n", panels[i].title.c_str(), sampleMean, panels[i].mean);
    }
    std::fprintf(svg, "</svg>\n");
    std::fclose(svg);
    std::printf("wrote %s\n", fileName);
    return 0;
}
