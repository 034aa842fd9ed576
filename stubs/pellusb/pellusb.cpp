// Simulated Pellan instrument. Its exports are added with the driver's start-up.
