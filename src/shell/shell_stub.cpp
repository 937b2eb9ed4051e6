// Placeholder until the COM frame lands.
