// Carries the precompiled headers that every window test program reuses.
