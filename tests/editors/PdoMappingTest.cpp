// Arrives with its feature.
