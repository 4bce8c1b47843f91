#include "ephemeris/series_frame.h"

#include <cmath>

#include "ephemeris/time_scale.h"

namespace nevalorum::series {

double ReduceTurns(double x) {
    return x - FullTurn * static_cast<double>(Trunc(x / FullTurn));
}

double ObliquityOfDate(double t) {
    return (84428.26 - 46.845 * t) / ArcsecondsPerRadian;
}

SeriesResult FinalStep(double longitude, double latitude, double radius, double t) {
    const double epsilon = ObliquityOfDate(t);
    const double lambda = ReduceTurns(longitude);
    const double cosBeta = std::cos(latitude);
    const double sinLambda = std::sin(lambda);
    const double cosLambda = std::cos(lambda);
    const double tanBeta = std::sin(latitude) / cosBeta;

    SeriesResult result;
    result.Longitude = lambda;
    result.Latitude = latitude;
    result.Radius = radius;
    result.X = radius * cosBeta * cosLambda;
    result.Y = radius * cosBeta * (sinLambda * std::cos(epsilon) - tanBeta * std::sin(epsilon));
    result.Z = radius * cosBeta * (sinLambda * std::sin(epsilon) + tanBeta * std::cos(epsilon));
    return result;
}

double AccumulateCosines(double sum, std::span<const PeriodicTerm> terms,
                         const SeriesArguments& arguments) {
    for (const PeriodicTerm& term : terms) {
        double angle = 0;
        for (size_t i = 0; i < arguments.size(); ++i) {
            angle += term.Multipliers[i] * arguments[i];
        }
        sum += term.Amplitude * std::cos(angle + term.Phase);
    }
    return sum;
}

double LatitudeFromSine(double s) {
    return std::atan(s / std::sqrt(1 - s * s));
}

}  // namespace nevalorum::series
